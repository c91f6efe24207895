#include "compress/zip_prueba.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

QStringList Entradas(const QString& zip)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray Extraigo(const QString& zip, const QString& entrada)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, entrada});
    p.waitForFinished();
    return p.readAllStandardOutput();
}

QStringList NombresUtf8(const QString& zip)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        return {};
    QProcess p;
    p.start(python, {QStringLiteral("-c"),
                     QStringLiteral("import sys, zipfile\n"
                                    "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                                    "    sys.stdout.buffer.write((i.filename + '|' + str((i.flag_bits >> 11) & 1) + '\\n').encode('utf-8'))\n"),
                     zip});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString Guion(const QString& carpeta, const QString& nombre, const QByteArray& cuerpo)
{
    const QString ruta = QDir(carpeta).filePath(nombre);
    EscriboArchivo(ruta, "#!/bin/bash\n" + cuerpo + "\n");
    QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return ruta;
}

QStringList Todo(const QString& carpeta)
{
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool ProcesoVivo(qint64 pid)
{
    QFile estado(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!estado.open(QIODevice::ReadOnly))
        return false;
    // A zombie has ended; it only waits to be reaped.
    const QByteArray s = estado.readAll();
    const qsizetype cierre = s.lastIndexOf(')');
    return cierre < 0 || s.mid(cierre + 2, 1) != "Z";
}

QStringList Textos(const std::vector<const char*>& textos)
{
    QStringList l;
    for (const char* t : textos)
        l << QString::fromUtf8(t);
    return l;
}
