#pragma once
// The two hash operations: stamping a file with the hash of its content, and
// checking (and on request correcting) the hash a stamped name carries.
#include "system/archivos.h"
#include "system/fallas.h"
#include "system/progreso.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct PlanSellado {
    QString ruta;
    qint64 maximoBytes = 0; // 0: no maximum known, any size goes
};

struct Sellado {
    QString ruta; // the stamped file's new full path
    QString hash;
};

// Hashes the file and renames it in place to its stamped name, never over an
// existing file. The file must still be the one hashed right before the
// rename (TipoFalla::Cambiado otherwise). Refused before reading:
// a name without "." (ArgumentoInvalido), anything but a regular file, and,
// when a maximum is known, an empty file (Vacio) and one above it (MuyGrande).
Resultado<Sellado> EstampoArchivo(const PlanSellado& plan, Progreso* progreso = nullptr);

enum class EstadoHash { Correcto, Invalido, SinFormato, Error, Corregido };

struct Verificacion {
    QString ruta;
    EstadoHash estado = EstadoHash::Error;
    QString hashNombre;         // the hash the name carries
    QString hashArchivo;        // the hash of the content
    QString nueva;              // the corrected name's full path
    std::optional<Falla> falla; // why it is Error, or why a correction failed
    IdentidadArchivo leido;     // the file whose content was hashed
};

struct PlanVerificacion {
    QString ruta;
    // Asked when the name carries a wrong hash: true renames the file to the
    // content's hash (the file is never written, never renamed over a name).
    std::function<bool(const Verificacion&)> corrijo;
};

Verificacion CorroboroArchivo(const PlanVerificacion& plan, Progreso* progreso = nullptr);
// Renames an Invalido file to the content's hash, if it is still the file
// that was read; then Corregido, or the failure in v.falla.
void CambioHashArchivo(Verificacion& v);

// Several files at once, results in the order given; corrijo as above.
// alComprobar, when given, gets each check (index, result) as soon as it is
// known, from a worker thread, before any correction.
std::vector<Verificacion>
CorroboroArchivos(const QStringList& rutas, const std::function<bool(const Verificacion&)>& corrijo,
                  Progreso* progreso = nullptr,
                  const std::function<void(qsizetype, const Verificacion&)>& alComprobar = {});

// The files of a folder whose names carry a hash, in name order.
QStringList ArchivosConHash(const QString& carpeta);

// What the operator reads about a failed stamp or check of a file.
QString TextoFallaEstampado(const Falla& falla);
