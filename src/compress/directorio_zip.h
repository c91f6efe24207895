#pragma once
// Reads the central directory of a zip archive this run built: the entry
// names as stored, to compare them with the list, and the UTF-8 name flag,
// which Info-ZIP zip 3.0 leaves unset on Unix even with -UN=UTF8.
#include "system/fallas.h"

#include <QByteArray>
#include <QList>

// The entry names, in the order of the central directory.
Resultado<QList<QByteArray>> LeoEntradasZip(const QString& ruta);
// Sets the UTF-8 flag (bit 11) of every entry whose stored name is valid
// UTF-8, in the central directory and in the local headers, in place.
Estado MarcoNombresUtf8(const QString& ruta);
