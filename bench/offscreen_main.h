#pragma once

#include <QByteArray>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace tvx::bench {

// The main of a benchmark that paints (fonts, QPainter on pictures): a Gui
// application on the offscreen platform unless one was asked for, so no
// window and no display are needed.
inline int RunOffscreen(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace tvx::bench
