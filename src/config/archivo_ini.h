#pragma once
// The INI file: section headers in brackets, key=value lines. Names match
// without regard to letter case, values are kept exactly.
#include <QString>

// One key's value; empty when the file, section or key is missing. Values
// longer than 255 characters come back cut to 255.
QString LeoValorINI(const QString& ruta, const QString& seccion, const QString& clave);

// Writes PARTGUAR=valor into the section and sets CarpetaGuardada, whatever
// the outcome. The rest of the file (sections, keys, comments, order, encoding)
// stays as it was; the file is replaced atomically. Returns whether it was written.
bool GuardoCarpetaINI(const QString& ruta, const QString& seccion, const QString& valor);

enum class Ambiente { Prueba, Produccion, Invalido };

struct Configuracion {
    bool existe = false;
    QString entorno;
    Ambiente ambiente = Ambiente::Invalido;
};

// Reads AMBIENTE, URL and PARTGUAR from RutaIni into the shared values.
Configuracion CargoConfiguracion();

// Decoding of the file's bytes: UTF-8, or Windows-1252 when not valid UTF-8.
QString DecodificoTextoIni(const QByteArray& bytes, bool* esUtf8 = nullptr);
QByteArray CodificoWindows1252(const QString& texto);
