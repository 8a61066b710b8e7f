#pragma once

#include <QProxyStyle>

namespace tvx {

// The application's style: the platform's own, except that its standard
// icons (the menu bar's overflow arrow, the message box pictures, …) read
// their pictures when first drawn rather than when asked for. Reading the
// first of those pictures makes Qt load every image format plugin with its
// libraries, which the menu bar would otherwise do at every start for an
// arrow that is seldom shown.
class DeferredIconStyle : public QProxyStyle {
public:
    // Over `base`; the platform's default style when null. Takes ownership.
    explicit DeferredIconStyle(QStyle* base = nullptr);
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace tvx
