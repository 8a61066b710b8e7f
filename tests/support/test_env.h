#pragma once

#include "platform/language.h"

#include <QCoreApplication>
#include <QString>

namespace tvx::test {

// The fresh folder that stands in for the user's home during the running test.
QString homeDir();
// The program folder of the running test (empty, fresh per test).
QString programDir();
// Copies the shipped language files into the test's program folder.
void installLanguageFiles();
// Path of a file under the source tree's resources/ folder.
QString resourcePath(const QString& relative);

// A language the texts come from for as long as it lives.
class InstalledLanguage : public Language {
public:
    InstalledLanguage() { QCoreApplication::installTranslator(this); }
};

} // namespace tvx::test
