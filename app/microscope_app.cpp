#include "app/microscope_app.h"

#include "app/microscope_dlg.h"
#include "app/widget_prompts.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QCommandLineParser>

namespace tvx {

int CMicroscopeApp::Main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavolux"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavolux"));
    QApplication::setApplicationVersion(QStringLiteral(TAVOLUX_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tavolux"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Live view, stills, recording and measuring for the wireless digital microscope."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"), QStringLiteral("Start with a simulated microscope attached."));
    parser.addOption(simulate);
    parser.process(app);

    WidgetPrompts widgetPrompts;
    SetPrompts(&widgetPrompts);

    int result = 0;
    {
        CMicroscopeDlg::Options options;
        options.simulate = parser.isSet(simulate);
        CMicroscopeDlg dlg(options);
        dlg.InitDialog();
        dlg.show();
        result = app.exec();
    }
    SetPrompts(nullptr);
    return result;
}

} // namespace tvx
