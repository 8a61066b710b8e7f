#include "app/microscope_app.h"

#include "platform/prompts.h"
#include "ui/main/main_window.h"
#include "ui/skin/widget_prompts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <memory>

namespace tvx {

namespace {

const QCommandLineOption& simulateOption() {
    static const QCommandLineOption option(
        QStringLiteral("simulate"), QStringLiteral("Start with a simulated microscope attached."));
    return option;
}

void describe(QCoreApplication& app, QCommandLineParser& parser) {
    app.setApplicationName(QStringLiteral("tavolux"));
    app.setApplicationVersion(QStringLiteral(TAVOLUX_VERSION));
    parser.setApplicationDescription(QStringLiteral(
        "Live view, stills, recording and measuring for the wireless digital microscope."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(simulateOption());
}

} // namespace

int Application::Main(int argc, char** argv) {
    // The command line is read before any window system is touched, so
    // --help, --version and mistakes answer on the terminal without a display.
    bool simulate = false;
    {
        QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        describe(app, parser);
        parser.process(app); // prints and exits for --help, --version and errors
        simulate = parser.isSet(simulateOption());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavolux"));
    QApplication::setApplicationVersion(QStringLiteral(TAVOLUX_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavolux"));
    QApplication::setDesktopFileName(QStringLiteral("tavolux"));

    WidgetPrompts widgetPrompts;
    SetPrompts(&widgetPrompts);

    int result = 0;
    {
        MainWindow::Options options;
        options.simulate = simulate;
        MainWindow dlg(options);
        dlg.InitDialog();
        dlg.show();
        result = app.exec();
    }
    SetPrompts(nullptr);
    return result;
}

} // namespace tvx
