#include "app/microscope_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QWidget>

namespace tvx {

int CMicroscopeApp::Main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavolux"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavolux"));
    QApplication::setApplicationVersion(QStringLiteral(TAVOLUX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Live view, stills, recording and measuring "
                                                    "for the wireless digital microscope."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption simulate(QStringLiteral("simulate"),
                                QStringLiteral("Start with a simulated microscope attached."));
    parser.addOption(simulate);
    parser.process(app);

    QWidget w;
    w.resize(860, 610);
    w.show();
    return app.exec();
}

} // namespace tvx
