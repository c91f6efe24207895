#pragma once
// What the compression tests share: independent looks inside an archive.
#include "soporte/datos.h"

#include <QStringList>

QByteArray Extraigo(const QString& zip, const QString& entrada);
// The archive through three independent readers: Python's zipfile (with
// testzip()), "unzip -t" and "7z t". Empty when all three accept it and
// find every CRC right; otherwise what the one that failed said.
QString LeoConTresLectores(const QString& zip);
// Each entry as Python's zipfile sees it:
// "name|method|UTF-8 flag|octal mode|size|YYYY-MM-DD hh:mm:ss".
QStringList Detalle(const QString& zip);
// What Detalle should say of a file stored under its name by that method.
QString DetalleEsperado(const QString& ruta, int metodo);
// Files and folders of a folder, hidden ones too.
QStringList Todo(const QString& carpeta);
