#pragma once
// The INI file: section headers in brackets, key=value lines. Names match
// without regard to letter case, values are kept exactly.
#include "system/fallas.h"

#include <QByteArray>
#include <QString>

// One key's value; empty when the file, section or key is missing. Values
// longer than 255 characters come back cut to 255.
QString LeoValorINI(const QString& ruta, const QString& seccion, const QString& clave);

// The same, from the file's bytes.
QString LeoValorTextoINI(const QByteArray& contenido, const QString& seccion, const QString& clave);

// Writes PARTGUAR=valor into the section. The rest of the file (sections,
// keys, comments, order, line ends, a byte-order mark) stays as it was; the
// file keeps its owner and mode. A read-only file, or a value that would break
// the file's lines, is left alone. Returns whether it was written.
bool GuardoCarpetaINI(const QString& ruta, const QString& seccion, const QString& valor);

enum class Ambiente { Prueba, Produccion, Invalido };

// The file's bytes with key=valor set in the section: the first such key is
// changed, or one is added at the end of the section (or a new section at the
// end). Windows-1252 stays so unless it cannot hold the text, then UTF-8.
QByteArray ActualizoTextoINI(const QByteArray& original, const QString& seccion, const QString& clave,
                             const QString& valor);

// The whole file, refusing links and anything that is not a regular file.
Resultado<QByteArray> LeoArchivoIni(const QString& ruta);

// Replaces the file by renaming a complete, flushed copy onto it (owner and
// mode copied); when the folder cannot take a new file, or the owner cannot be
// kept that way, the file is rewritten in place. Never through a link.
Estado ReescriboArchivoIni(const QString& ruta, const QByteArray& bytes);

struct Configuracion {
    bool existe = false;
    QString ilegible; // why an existing file could not be read; empty when read
    QString entorno;
    Ambiente ambiente = Ambiente::Invalido;
    QString rutaIni;         // the file PARTGUAR is written to
    QString urlServicio;     // URL
    QString carpetaGuardada; // PARTGUAR
};

// Whether the file exists as a regular file, seen through a link.
bool ExisteIni(const QString& ruta);

// Reads AMBIENTE, URL and PARTGUAR from one file (through a link, as any
// reader does).
Configuracion CargoConfiguracion(const QString& ruta);

// Decoding of the file's bytes: UTF-8, or Windows-1252 when not valid UTF-8.
QString DecodificoTextoIni(const QByteArray& bytes, bool* esUtf8 = nullptr);
// Characters it cannot hold become "?" and clear *completo.
QByteArray CodificoWindows1252(const QString& texto, bool* completo = nullptr);
