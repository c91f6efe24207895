#pragma once
// Gathering, ordering and joining a partition set back into its file.
#include "system/archivos.h"
#include "system/fallas.h"
#include "system/progreso.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// A partition name: Base+Sep, 32-character hexadecimal hash, extension from
// the first ".", ".part", number, ".", total, ".vesk".
struct NombreParticion {
    QString cabeza; // base and separator
    QString hash;
    QString extension; // from the first "." up to ".part"
    QString numero;    // as written (three digits or more)
    QString total;
    int valorNumero = 0;
    int valorTotal = 0;
};

std::optional<NombreParticion> AnalizoNombreParticion(const QString& nombre);
// Whether the name belongs to the same set as the selected one: base,
// extension and total equal character for character, any hash.
bool MismoJuego(const NombreParticion& seleccionada, const QString& nombre);
// What the chooser lists: the names of the folder ending in ".vesk".
QStringList ListoParticiones(const QString& carpeta);

// False when the first entry's total exceeds the number of entries.
bool CorroboroCantidadArchivos(const QStringList& lista);

// The ordering counters of one join.
struct EstadoUnion {
    int ParticionEsperada = 0;
    int ParticionesOrdenadas = 0;
};
// The acceptance test of one candidate while ordering.
bool Corroboro_Linea(EstadoUnion& e, const QString& Linea);

struct Ordenamiento {
    enum Motivo { Completo, Falta, Repetida } motivo = Completo;
    QStringList ordenadas; // number order
    int numero = 0;        // the missing or repeated partition
};
// Passes over the candidates until every one is accepted or a pass accepts none.
Ordenamiento OrdenoParticiones(const QStringList& candidatos);

inline QString NombreListaUnion() { return QStringLiteral("arcVSK.txt"); }
// The joined file's name from partition 001's: one character before the
// hash (the separator) is always dropped.
QString ObtengoNombreFinal(const QString& primeraLinea);
// The 2N + 9 lines of the batch file.
QStringList LineasBatUnion(const QString& carpetaOrigen, const QString& nombreFinal, const QStringList& lista);

// A member of the set as it was checked before anything was written.
struct ParteUnion {
    QString ruta;
    IdentidadArchivo identidad;
};

// Copies the partitions one after the other into salida from its start,
// inside the kernel where it can (holes stay holes), each opened only while
// it is copied and only while it is the file that was checked
// (TipoFalla::Cambiado otherwise). What was written is read back through
// lectura (the same file, open for reading) and each partition's range of it
// is hashed, in lanes, while the next ones are copied: the hash texts of the
// delivered bytes, in order.
Resultado<QStringList> CopioYCalculo(const std::vector<ParteUnion>& partes, ArchivoCrudo& salida, ArchivoCrudo& lectura,
                                     Progreso* progreso = nullptr);

// Stages of a run, in progreso->paso.
enum PasoUnion { Ordenando = 1, GenerandoNombre, UniendoPartes, MoviendoArchivo };

struct PlanUnion {
    QString CarpetaOrigen;
    QString seleccionada; // the bare name of any partition of the set
    QString CarpetaDestino;
    // The screen's join also leaves the list file and the batch file in the
    // origin while it runs; where they cannot be created (a name taken, a
    // read-only folder) the join goes on without them.
    bool escriboListaYLote = false;
    // Asked when some partitions do not match their hash; true keeps the
    // damaged result. Missing: no.
    std::function<bool(const QList<int>& danadas)> conservoDanado;
    // Asked when a kept damaged result would replace an existing file. Missing: no.
    std::function<bool(const QString& destino)> reemplazoConDanado;
};

enum class RechazoUnion {
    Ninguno,
    SinParticiones, // the selection is not a partition, or its set is empty
    Falta,          // numero: the first missing partition
    Repetida,       // numero: two members carry it
    // Sets one split cannot have made (two versions of a file split with the
    // same size stay undetectable):
    OtroTamano,  // numero: a member before the last whose size is not the first's
    UltimaMayor, // numero: the last member, larger than the others
    Vacia,       // numero: a member without a byte
    Sobrante,    // numero: a member beyond the total its names give
};

struct JuegoReunido {
    RechazoUnion rechazo = RechazoUnion::Ninguno;
    int numero = 0;
    QStringList miembros; // alphabetical, bare names
};
// The members of the selected partition's set in the folder, by name only
// (a link among them is listed, so that it can be refused), and the count
// check: fewer members than the total names the first missing one.
JuegoReunido ReunoJuego(const QString& carpeta, const QString& seleccionada);

enum class FinUnion {
    Entregado,
    DanadoRechazado,   // damaged, and the operator did not keep it
    ReemplazoRehusado, // damaged, kept, but the existing file stays
};

struct ResultadoUnion {
    RechazoUnion rechazo = RechazoUnion::Ninguno; // the set was not joined; nothing written
    int numero = 0;
    Estado falla; // a failed or cancelled run; nothing of it remains
    FinUnion fin = FinUnion::Entregado;
    QStringList particiones;    // the set's full paths, in number order
    QString NombreArchivoFinal; // without folder
    QString archivo;            // the delivered file's full path
    QList<int> danadas;         // partitions whose content does not match their hash
    bool conListaYLote = false; // the list and batch files were written (and removed)

    bool entregado() const { return rechazo == RechazoUnion::Ninguno && !falla && fin == FinUnion::Entregado; }
};

// The whole join: gathers and orders the set, refuses a member that is not a
// regular file and a set one split cannot have made, copies the partitions
// into a temporary in the destination and hashes what was written, asks about damage, and puts the file in place
// (replacing one of that name). A failure or a cancel removes what the run wrote and never touches a partition. A
// second run writing into the same destination meanwhile is refused (TipoFalla::Ocupado).
ResultadoUnion UnoJuego(const PlanUnion& plan, Progreso* progreso = nullptr);

// The sizes and numbers one split gives: every member but the last of the
// first one's size, the last not larger, none empty, none beyond the total.
RechazoUnion CorroboroForma(const std::vector<ParteUnion>& ordenadas, int total, int& numero);

// What the operator reads about an outcome.
QString TextoFaltanParticiones(RechazoUnion rechazo = RechazoUnion::Ninguno, int numero = 0);
QString TextoSinParticiones();
// "El contenido de las particiones 002, 005 no coincide ... dañado."
QString TextoParticionesDanadas(const QList<int>& numeros);
QString TextoReemplazoDanado(const QString& destino);
QString TextoFallaUnion(const Falla& falla);
