#pragma once
// The program run as a separate process on the offscreen platform, as a user of its command
// line runs it (for the app tests).

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "support/test_paths.h"

namespace vintrel::test {

struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// On this machine (profile empty) or on a profile; in `root` when given, else in a fresh
// folder of its own; standard output into `outputFile` when given.
inline ProgramRun runProgram(const QStringList& arguments, const QString& profile = {},
                             const QString& root = {}, const QString& outputFile = {}) {
    TempDir ownRoot;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("VINTREL_MACHINE");
    if (!profile.isEmpty()) env.insert("VINTREL_MACHINE", profile);
    env.insert("VINTREL_ROOT", root.isEmpty() ? QString::fromStdString(ownRoot.str()) : root);
    process.setProcessEnvironment(env);
    if (!outputFile.isEmpty()) process.setStandardOutputFile(outputFile);
    process.start(QString::fromStdString((binaryDir() / "src" / "vintrel").string()), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

inline QString exampleProfile() {
    return QString::fromStdString((dataDir() / ".." / ".." / "docs" / "examples" / "desktop-pt-br.json").string());
}

}  // namespace vintrel::test
