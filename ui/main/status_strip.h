#pragma once

#include <QLabel>
#include <QTimer>

namespace tvx {

// One line at the foot of the window that says what just happened (a file
// saved, with a link to its folder), what runs (a recording, a time-lapse
// series) and what the next click of a measuring tool does. A message of
// what happened stays a few seconds beside what runs; the hint shows when
// neither does. UI thread.
class StatusStrip : public QLabel {
    Q_OBJECT
public:
    explicit StatusStrip(QWidget* parent);

    // "Saved <name>" and a link that opens the file's folder.
    void ShowSaved(const QString& path);
    void ShowMessage(const QString& text);
    // What runs, until cleared with an empty text.
    void SetProgress(const QString& text);
    // The next step of the measuring tool; empty without one.
    void SetHint(const QString& text);

    // What the strip says now, without its markup.
    QString plainText() const;

    static constexpr int kMessageMs = 8000;

signals:
    // The link of a saved file was followed.
    void openFolder(const QString& folder);

private:
    void refresh();

    QTimer messageTimer_;
    QString message_; // rich text
    QString progress_;
    QString hint_;
};

} // namespace tvx
