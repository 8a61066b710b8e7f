#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>

namespace tvx {

// The look of a button that has no disabled picture of its own: the picture
// in grey, faded, so it reads as unavailable on the dark skin.
QImage DisabledLook(const QImage& picture);

// One picture of a button: either a skin number, rendered at the screen's
// pixel ratio when painted, or a pixmap given directly.
class ButtonPicture {
public:
    ButtonPicture() = default;
    // False when `number` is not 0 and no picture can be rendered for it.
    bool setNumber(int number);
    void setPixmap(const QPixmap& pixmap);
    void clear();
    bool isNull() const { return number_ == 0 && pixmap_.isNull(); }
    int number() const { return number_; }
    QPixmap at(qreal devicePixelRatio) const;
    QSize size() const; // device-independent

private:
    int number_ = 0;
    QPixmap pixmap_;
};

// The plain two-picture button of the toolbars: the up picture normally, the
// down picture while it is pressed or while its selected state is set. The
// selected state belongs to the owner (the live view runs, a recording runs,
// an effect is on); clicking never changes it.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(int controlId READ controlId WRITE setControlId)
public:
    explicit CBitmapButton(QWidget* parent = nullptr);
    // Shorthand for the toolbars; a number without a picture leaves the
    // button blank, so call LoadBitmaps where that must be noticed.
    CBitmapButton(QWidget* parent, int id, int up, int down);

    // Loads the pictures with these numbers (disabled 0 = derive it from the
    // shown picture) and sizes the button to the up picture. False when a
    // non-zero number has no picture; the button then keeps what it had.
    bool LoadBitmaps(int up, int down, int disabled = 0);
    // Pictures that are not in the skin (an empty disabled one is derived).
    void SetPictures(const QPixmap& up, const QPixmap& down, const QPixmap& disabled = {});

    void SetSelected(bool selected);
    bool IsSelected() const { return selected_; }

    int controlId() const { return id_; }
    void setControlId(int id);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fitToPicture();

    ButtonPicture up_, down_, disabled_;
    bool selected_ = false;
    int id_ = 0;
};

// A button with an on/off state that only its owner changes (a popup is open,
// a mode is active, playback runs). Of its pictures the first that applies is
// drawn, unscaled at the top left: disabled (when it has one), focus (when
// focused and it has one), latched (when latched), normal. A disabled button
// without a disabled picture draws its chosen picture faded.
class CLatchButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(int controlId READ controlId)
public:
    explicit CLatchButton(QWidget* parent = nullptr);

    // Places the button in `parent` under control id `id`, loads the pictures
    // whose numbers are not 0 and sizes the button to its picture. False when
    // there is no parent or a non-zero number has no picture.
    bool Attach(QWidget* parent, int id, int normal, int latched, int focus);
    // Optional fourth picture; 0 removes it. False when it has no picture.
    bool SetDisabledBitmap(int number);
    // Pictures that are not in the skin; null ones count as absent.
    void SetPictures(const QPixmap& normal, const QPixmap& latched, const QPixmap& focus = {},
                     const QPixmap& disabled = {});

    void Latch();
    void Release();
    bool IsLatched() const { return latched_; }

    int controlId() const { return id_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fitToPicture();

    ButtonPicture normal_, latchedPicture_, focus_, disabled_;
    bool latched_ = false;
    int id_ = 0;
};

} // namespace tvx
