#pragma once
// terv-cli run from outside, for the tests whose target defines TERV_CLI.
#include <QProcess>
#include <QString>
#include <QStringList>

struct Corrida {
    int codigo = -1;
    QString salida, errores;
};

inline Corrida Corro(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(TERV_CLI), args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
