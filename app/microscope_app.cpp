#include "app/microscope_app.h"

#include "app/app_context.h"
#include "capture/capture_engine.h"
#include "capture/device_listing.h"
#include "capture/device_source.h"
#include "capture/jpeg_decoder.h"
#include "ui/main/main_window.h"
#include "ui/skin/deferred_icon_style.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <cstdio>
#include <future>
#include <memory>

namespace tvx {

namespace {

const QCommandLineOption& simulateOption() {
    static const QCommandLineOption option(
        QStringLiteral("simulate"), QStringLiteral("Start with a simulated microscope attached."));
    return option;
}

const QCommandLineOption& listDevicesOption() {
    static const QCommandLineOption option(
        QStringLiteral("list-devices"),
        QStringLiteral("Print the video-capture devices with their formats and exit."));
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
    parser.addOption(listDevicesOption());
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
        if (parser.isSet(listDevicesOption())) {
            QObject owner;
            QString listing = DeviceListing(StandardProviders(simulate, &owner));
            listing += QStringLiteral("JPEG decoder: %1\n").arg(JpegDecoderName());
            const QByteArray text = listing.toUtf8();
            std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
            return 0;
        }
    }

    // GStreamer reads its plugin registry on a thread of its own while the
    // window system is opened and the window built; the capture engine waits
    // for it only if it is not done by then.
    auto gstreamer = std::async(std::launch::async, EnsureGStreamer);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavolux"));
    QApplication::setApplicationVersion(QStringLiteral(TAVOLUX_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavolux"));
    QApplication::setDesktopFileName(QStringLiteral("tavolux"));
    QApplication::setStyle(new DeferredIconStyle);
    // Qt's accessibility bridge opens the session bus when the first widget
    // reports a change, and the capture session opens the system bus to hear
    // of resumes: both connections are made meanwhile on a thread of their
    // own (D-Bus wants the application object first), not one after the
    // other on this one while the window is built.
    auto buses = std::async(std::launch::async, [] {
        QDBusConnection::sessionBus();
        QDBusConnection::systemBus();
    });

    AppContext context;
    // Installed before any window so every text asks it; chosen by the window.
    QApplication::installTranslator(&context.language);

    int result = 0;
    {
        MainWindow::Options options;
        options.simulate = simulate;
        options.calibration = &context.calibration;
        options.prompts = &context.prompts;
        options.settings = &context.settings;
        options.language = &context.language;
        MainWindow dlg(options);
        dlg.InitDialog();
        dlg.show();
        result = app.exec();
    }
    return result;
}

} // namespace tvx
