#pragma once
// The partition set: N = ceil(F / S) raw pieces, 2 <= N <= 327, each named
// Base + Sep + Hash + Ext + ".part" + III + "." + NNN + ".vesk".
#include "hash/nombre_hash.h"
#include "system/dialogos.h"
#include "system/fallas.h"
#include "system/trabajo.h"

#include <QString>
#include <QStringList>

constexpr int kMaximoParticiones = 327;

// N, and L (the last partition's size) when N >= 1. Stops counting past 327.
int CantidadParticiones(qint64 F, qint64 S, qint64& L);
QString MensajeParticiones(int N, qint64 S, qint64 L);
QString TresDigitos(int numero);
QString NombreTrabajoParticion(const QString& nombre, int i, int N);
QString NombreFinalParticion(const PartesNombre& partes, const QString& hash, int i, int N);

enum class RechazoParticion { Ninguno, SinArchivo, SinPunto, Demasiadas, MuyChico };

struct PlanParticion {
    QString origen;  // full path of the file to split
    QString nombre;  // its name, without folder
    PartesNombre partes;
    qint64 F = 0, S = 0, L = 0;
    int N = 0;
};

// Steps 1 and 2: the name alone (no file, or no ".").
RechazoParticion RevisoNombreParticion(const QString& origen);
// Steps 1 to 3 and the too-small test of the split: pure, nothing opened.
RechazoParticion PlanificoParticion(const QString& origen, qint64 F, qint64 S, PlanParticion& plan);
Mensaje MensajeRechazo(RechazoParticion rechazo);
Mensaje MensajeConfirmacion(const PlanParticion& plan);
Mensaje MensajeParticionesGeneradas();

struct ResultadoParticion {
    Estado falla;            // empty: every partition delivered
    int terminadas = 0;      // partitions that carry their final name
    QStringList finales;     // their full paths, in number order
};

// Writes the set into carpeta: each partition under its working name, hashed
// from the very bytes written, then renamed to its final name (never over an
// existing file). Two partitions are worked at a time, one per core; renames
// happen in number order. With entregaEn set, each finished partition is then
// moved there, replacing a partition of the same name. On any failure the
// unfinished partitions' files are deleted and the finished ones stay.
ResultadoParticion GeneroParticiones(const PlanParticion& plan, const QString& carpeta,
                                     const QString& entregaEn = {}, Progreso* progreso = nullptr);

// The message of a failed run: the file-already-exists case or the generic
// one with its cause on a second line.
Mensaje ManejoErrores(const Falla& falla);
