#pragma once
// The stamped-name format: Base + Sep + Hash + Ext, split at the first ".".
#include "system/fallas.h"
#include "system/progreso.h"

#include <QString>
#include <optional>

struct PartesNombre {
    QString base; // before the first "."
    QString sep;  // "_" unless base already ends with "_"
    QString ext;  // the first "." and all after it
};

// nullopt for a name without ".".
std::optional<PartesNombre> SeparoNombre(const QString& nombre);
QString NombreSellado(const PartesNombre& partes, const QString& hash);

struct HashEnNombre {
    bool conFormato = false; // at least 32 characters before the first "."
    QString strHash;
    QString nombreArc; // base before stamping
    QString ExtenArc;
    QString menError;
};

// nullopt for a name without ".".
std::optional<HashEnNombre> ObtengoHashString(const QString& nomArc);

// The file name and the last three characters of that name.
struct NombreyExtension {
    QString nombre;
    QString extension;
};
NombreyExtension ObtengoNombreyExtension(const QString& ruta);
// Whether the operator should be warned that the file is not a zip archive.
bool NoEsZip(const QString& ruta);
QString TextoNoEsZip(const QString& nombre);

inline QString TextoArchivoNoEncontrado()
{
    return QStringLiteral("El archivo no se encuentra en el path seleccionado, \r\n"
                          "corrobore la ubicación del archivo al que quiere generarle HASH");
}

inline QString TextoSinFormatoHash()
{
    return QStringLiteral(
        "El Archivo seleccionado no corresponde con el formato de un archivo con HASH de Intercambio");
}
