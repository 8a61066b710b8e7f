#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>

namespace tvx::test {

QString homeDir() {
    return qEnvironmentVariable("HOME");
}

QString programDir() {
    return homeDir() + QStringLiteral("/program");
}

QString resourcePath(const QString& relative) {
    return QStringLiteral(TAVOLUX_SOURCE_DIR "/resources/") + relative;
}

void installLanguageFiles() {
    QDir lang(resourcePath(QStringLiteral("lang")));
    for (const QString& name : lang.entryList({QStringLiteral("*.ini")}, QDir::Files))
        QFile::copy(lang.filePath(name), programDir() + QLatin1Char('/') + name);
}

} // namespace tvx::test
