#pragma once
// Checking a whole delivery: every file of the chosen folders and files, the
// partition sets among them, the corrections of misnamed stamps, and the
// report sent back to the publisher.
#include "hash/operaciones_hash.h"
#include "system/fallas.h"
#include "system/progreso.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// What the operator sees of a file; Corregido once its stamp was fixed.
enum class EstadoFila { Correcto, Incorrecto, SinFormato, Error, Corregido };

struct FilaComprobacion {
    Verificacion v;     // ruta, hashes, the new name, the cause of an Error
    qint64 tamano = -1; // -1: unknown (not a regular file)
    int juego = -1;     // index of its partition set, -1: none

    EstadoFila estado() const;
    QString nombre() const;  // the current name (the corrected one after a correction)
    QString carpeta() const; // without the trailing separator
};

// The row of a check already made (its size read when it was not hashed).
FilaComprobacion FilaDe(const Verificacion& v);
QString TextoEstado(EstadoFila estado);
// The detail shown beside a row's state: the cause of an error, the former
// name of a corrected file (empty for the other states).
QString CausaFila(const FilaComprobacion& fila);

struct PlanComprobacion {
    QStringList rutas;        // files and folders, as chosen or dropped
    bool subcarpetas = false; // walk the subfolders of a chosen folder too
    // Each row as soon as it is checked (from a worker thread), with its
    // index in the final list.
    std::function<void(qsizetype, const FilaComprobacion&)> alComprobar;
};

// A partition set found among the rows, by the join's own rules.
struct JuegoParticiones {
    QString carpeta;
    QString nombreFinal; // the file it joins into
    int total = 0;
    QList<int> filas;                      // its members, in number order
    bool completo = false;                 // the join would accept it (none missing, none repeated)
    QList<int> faltan, repetidas, danadas; // partition numbers
    QList<int> sinComprobar;               // members a cancel left unchecked (not missing)
    QString primera;                       // full path of its first member, for the join
    bool correcto() const { return completo && danadas.isEmpty(); }
};
// "Completo", or "Incompleto; faltan: 002, 003", with the repeated, damaged
// and unchecked ("sin comprobar") numbers.
QString TextoJuego(const JuegoParticiones& juego);

struct Comprobacion {
    std::vector<FilaComprobacion> filas; // in walking order
    std::vector<JuegoParticiones> juegos;
    QDateTime fecha;
    QString raiz;           // the folder the check is about (common to every row)
    bool cancelada = false; // rows not reached are left out
};

struct Resumen {
    int correctos = 0, incorrectos = 0, sinFormato = 0, errores = 0, corregidos = 0;
    qint64 bytes = 0; // of the files whose content was hashed
    int total() const { return correctos + incorrectos + sinFormato + errores + corregidos; }
};
// A folder as shown: relative to the folder checked ("." for itself).
QString CarpetaRelativa(const QString& raiz, const QString& carpeta);
QString CarpetaRelativa(const Comprobacion& c, const FilaComprobacion& fila);
Resumen Resumo(const std::vector<FilaComprobacion>& filas);
QString TextoResumen(const Resumen& r);

// The folder a check of these paths is about: the one common to all of them.
QString RaizComprobacion(const QStringList& rutas);

// The files the plan names, in the order checked: a folder's entries in name
// order (its subfolders after, when asked). Links are listed, never followed,
// so that they show up as errors; our own temporaries are left out.
QStringList ReunoArchivos(const QStringList& rutas, bool subcarpetas);

// Walks, hashes and groups. A cancel keeps the rows already checked.
Comprobacion CompruebaEntrega(const PlanComprobacion& plan, Progreso* progreso = nullptr);

// Groups the partitions among the rows into sets (sets filas[].juego).
std::vector<JuegoParticiones> AgrupoJuegos(std::vector<FilaComprobacion>& filas);

// The rows "Corregir nombres" would rename: Incorrecto, not partitions (a
// partition's hash is what tells the join that it is damaged).
QList<int> FilasACorregir(const Comprobacion& c);
// Renames those rows to their content's hash, as the one-file check does.
// The failures, one text per row that kept its name.
QStringList CorrijoNombres(Comprobacion& c);

enum class FormatoInforme { Csv, Html, Md5 };
// The report's text. Md5: the correct files in md5sum's format, their paths
// relative to carpetaInforme when they lie under it, absolute otherwise.
QByteArray TextoInforme(const Comprobacion& c, FormatoInforme formato, const QString& carpetaInforme = {});
// Writes the three reports into carpeta under names never taken before
// ("comprobacion_<fecha>.csv", ".html", ".md5"), all or none. Their paths.
Resultado<QStringList> GuardoInformes(const Comprobacion& c, const QString& carpeta);
