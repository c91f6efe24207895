#pragma once
// The partition set: N = ceil(F / S) raw pieces, 2 <= N <= 327, each named
// Base + Sep + Hash + Ext + ".part" + III + "." + NNN + ".vesk".
#include "hash/nombre_hash.h"
#include "system/fallas.h"
#include "system/progreso.h"

#include <QString>
#include <QStringList>

constexpr int kMaximoParticiones = 327;

// N, and L (the last partition's size) when N >= 1. Stops counting past 327.
int CantidadParticiones(qint64 F, qint64 S, qint64& L);
QString MensajeParticiones(int N, qint64 S, qint64 L);
QString TresDigitos(int numero);
QString NombreFinalParticion(const PartesNombre& partes, const QString& hash, int i, int N);

enum class RechazoParticion { Ninguno, SinArchivo, SinPunto, Demasiadas, MuyChico, Vacio };

struct PlanParticion {
    QString origen; // full path of the file to split
    QString nombre; // its name, without folder
    PartesNombre partes;
    qint64 F = 0, S = 0, L = 0;
    int N = 0;
};

// Steps 1 and 2: the name alone (no file, or no ".").
RechazoParticion RevisoNombreParticion(const QString& origen);
// Steps 1 to 3 and the too-small test of the split: pure, nothing opened.
RechazoParticion PlanificoParticion(const QString& origen, qint64 F, qint64 S, PlanParticion& plan);
// What the operator reads about a rejected plan.
QString TextoRechazo(RechazoParticion rechazo);
// What the operator reads about a failed run.
QString TextoFallaParticion(const Falla& falla);

struct ResultadoParticion {
    Estado falla;        // empty: the whole set delivered
    QStringList finales; // the delivered partitions' full paths, in number order
};

// Writes the set into carpeta. Each partition is written to a temporary,
// hashed from the very bytes written and flushed; only when every one is
// complete are they renamed to their final names, in number order, never
// over an existing file unless reemplazar; a name already holding that very
// partition (an earlier run of the same split) is kept and counts as
// delivered. A failure or a cancel leaves nothing of the run behind: no
// temporary and no partial set, and never removes a file it did not create. A second run
// writing into the same folder meanwhile is refused (TipoFalla::Ocupado).
ResultadoParticion GeneroParticiones(const PlanParticion& plan, const QString& carpeta, bool reemplazar = false,
                                     Progreso* progreso = nullptr);
