#pragma once
// Gathering, ordering and joining a partition set back into its file.
#include "system/pantallas/dialogos.h"
#include "system/fallas.h"
#include "system/trabajo.h"

#include <QString>
#include <QStringList>
#include <optional>

// A partition name parsed from the first ".": Base+Sep, 32-character hash,
// extension, ".part", number, ".", total, ".vesk".
struct NombreParticion {
    QString cabeza;    // base and separator
    QString hash;
    QString extension; // from the first "." up to ".part"
    QString numero;    // as written (three digits or more)
    QString total;
    int valorNumero = 0;
    int valorTotal = 0;
};

std::optional<NombreParticion> AnalizoNombreParticion(const QString& nombre);
// Base+Sep, "*", extension + ".part", "*", "." + total + ".vesk". nullopt: not a partition name.
std::optional<QString> ArmoPatronParticiones(const QString& nombre);
// The file system's wildcard match of this platform's file lists (any letter case).
bool CoincidePatron(const QString& nombre, const QString& patron);
// Ordinary files of the folder matching the pattern, in alphabetical order.
QStringList ListoParticiones(const QString& carpeta, const QString& patron);

// False when the first entry's total exceeds the number of entries.
bool CorroboroCantidadArchivos(const QStringList& lista);

// The join's record; reset at the start of every join.
struct EstadoUnion {
    int ParticionEsperada = 0;
    int ParticionesOrdenadas = 0;
    QString CarpetaOrigen;
    QString CarpetaDestino;
    QString NombreArchivoFinal;
    QString NombreBase;
    QString ExtensionArchivo;
    QString ComandoBat;
};

// The acceptance test of one candidate while ordering.
bool Corroboro_Linea(EstadoUnion& e, const QString& Linea);

struct Ordenamiento {
    enum Motivo { Completo, Ninguna, Falta, Repetida } motivo = Completo;
    QStringList ordenadas; // number order
    int numero = 0;        // the missing or repeated partition
};
// Passes over the candidates until every one is accepted or a pass accepts none.
Ordenamiento OrdenoParticiones(EstadoUnion& e, const QStringList& candidatos);

inline QString NombreListaUnion() { return QStringLiteral("arcVSK.txt"); }
// Lines end in CR LF.
Estado GeneroTXTconNomArchivos(const QString& carpeta, const QStringList& ordenadas);
// NombreBase and ExtensionArchivo from partition 001's name.
bool ObtengoNombreFinal(EstadoUnion& e, const QString& primeraLinea);
// The 2N + 9 lines of the batch file.
QStringList LineasBatUnion(const QString& carpetaOrigen, const QString& nombreFinal, const QStringList& lista);
// Writes the batch file afresh (truncated) in the origin folder.
Estado GeneroBatUnion(EstadoUnion& e, const QStringList& lista);

struct ResultadoUnion {
    Estado falla;
    QString temporal;         // the joined file, not yet in place
    QList<int> diferentes;    // partitions whose content does not match their name's hash
};

// Concatenates the partitions in order into a temporary file in the
// destination, hashing each partition from the same bytes (two at a time).
// On failure the temporary file is removed.
ResultadoUnion UnoParticiones(const QString& carpetaOrigen, const QStringList& lista, const QString& carpetaDestino,
                              const QString& nombreFinal, Progreso* progreso = nullptr);

// Puts the joined file in place, replacing a file of the same name.
Estado MuevoArchivoFinal(const QString& temporal, const QString& carpetaDestino, const QString& nombreFinal);

// Removes the list file and the batch file of this join, and the temporary file.
void LimpioUnion(const EstadoUnion& e, const QString& temporal);

// "El contenido de las particiones 002, 005 no coincide ... dañado."
QString TextoParticionesDanadas(const QList<int>& numeros);
Mensaje MensajeFaltanParticiones(const Ordenamiento* orden = nullptr);
Mensaje MensajeNoSonParticiones();
Mensaje MensajeSinParticiones();
