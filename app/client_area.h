#pragma once

#include <QFont>
#include <QPixmap>
#include <QWidget>

namespace tvx {

// The window's client area: the background skin and the resolution text,
// with the picture area, file list, buttons and boxes placed on it.
class CClientArea : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 860;
    static constexpr int kHeight = 610;

    explicit CClientArea(QWidget* parent = nullptr);

    void setResolutionText(const QString& text, const QFont& font);
    void setFullScreen(bool on);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QPixmap background_;
    QString resolution_;
    QFont resolutionFont_;
    bool fullScreen_ = false;
};

// Stands in the picture area while no live view runs: black, with the
// connection message in the middle.
class CPictureArea : public QWidget {
    Q_OBJECT
public:
    explicit CPictureArea(QWidget* parent = nullptr);
    void setMessage(const QString& text);
    QString message() const { return message_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString message_;
};

} // namespace tvx
