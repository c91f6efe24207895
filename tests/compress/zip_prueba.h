#pragma once
// What the compression tests share: an independent look inside an archive,
// stand-in zip programs, and a private work folder.
#include "soporte/datos.h"

#include <QStringList>
#include <QTemporaryDir>
#include <vector>

// The entry names as unzip lists them, in order.
QStringList Entradas(const QString& zip);
QByteArray Extraigo(const QString& zip, const QString& entrada);
// python3's zipfile: each entry's name and whether its UTF-8 flag is set
// ("nombre|1"); empty when python3 is missing.
QStringList NombresUtf8(const QString& zip);
// An executable shell script in carpeta.
QString Guion(const QString& carpeta, const QString& nombre, const QByteArray& cuerpo);
// Files and folders of a folder, hidden ones too.
QStringList Todo(const QString& carpeta);
// A private work folder (0700), with its trailing "/".
struct CarpetaTrabajo {
    QTemporaryDir d;
    QString ruta() const { return d.path() + QLatin1Char('/'); }
};
bool ProcesoVivo(qint64 pid);
// Texts of a table row.
QStringList Textos(const std::vector<const char*>& textos);
