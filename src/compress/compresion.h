#pragma once
// Compress-and-deliver: the listed files into one zip archive for
// publication, stamped when it fits the limit, split or kept whole when not.
#include "partition/particionado.h"
#include "system/fallas.h"
#include "system/progreso.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// "_" + YYYYMMDD + "_01" for that day.
QString SufijoFecha(const QDate& dia);
// Nombre += the suffix of that day; returns the suffix.
QString AgregoFechayVersion(QString& Nombre, const QDate& dia);

// The name proposed for an archive: the file name without its last extension.
QString NombrePropuesto(const QString& nombreArchivo);

// Why a name cannot be the archive's (a folder separator, a "."), or empty.
QString RevisoNombreArchivo(const QString& nombre);

// The files to compress, newest first; paths compare as this file system does.
class ListaArchivos {
public:
    bool contiene(const QString& ruta) const { return entradas_.contains(ruta); }
    // Adds at the front; false when the path is already listed.
    bool agrego(const QString& ruta);
    void quito(const QString& ruta) { entradas_.removeAll(ruta); }
    void vacio() { entradas_.clear(); }
    const QStringList& entradas() const { return entradas_; }
    bool isEmpty() const { return entradas_.isEmpty(); }

private:
    QStringList entradas_;
};

struct Agregado {
    bool cambioCarpeta = false; // CarpetaArchivos and the proposed name were set
    QString carpeta;            // ending in "/"
    QString nombre;             // proposed archive name
};

// The dialog's answer (full paths) into the list, as the screen adds them.
Agregado AgregoArchivos(ListaArchivos& lista, const QStringList& rutas);

// Two listed files whose names are equal, or differ only in letter case,
// would overwrite each other inside a "-j" archive or where it is unpacked:
// the message naming them, or empty.
QString NombresRepetidos(const QStringList& rutas);

struct PlanCompresion {
    QStringList rutas;          // the listed files, in list order
    QString nombre;             // archive name without ".zip"
    std::optional<QDate> fecha; // add the date-and-version suffix of this day
    qint64 limite = 0;          // bytes; a larger archive is split or kept whole
    QString carpeta;            // where the archive or its partitions are delivered
    int hilos = 0;              // threads that deflate; 0: HilosDeflate()
    // Called on the job's thread after each compressed piece of a file is
    // written (a progress observer; it may set the cancel flag).
    std::function<void(const QString& ruta)> alComprimir;
    // The operator's answers. They are called from the job's thread.
    std::function<bool(qint64 tamano)> particiono;           // over the limit: split it?
    std::function<bool(const PlanParticion& plan)> confirmo; // the split's confirmation
    std::function<bool(const QString& existente)> reemplazo; // Nombre.zip exists: replace it?
};

enum class Desenlace {
    Sellado,      // delivered as Nombre_HASH.zip
    Particionado, // delivered as a partition set
    Entero,       // delivered whole, unstamped
    Rechazado,    // refused before anything was written
    Cancelado,    // stopped by the operator; nothing of the run is left
    Fallido,
};

struct ResultadoCompresion {
    Desenlace desenlace = Desenlace::Fallido;
    QString nombre;           // the archive name as used (with its suffix)
    QString sufijo;           // the date-and-version suffix added, if any
    qint64 tamano = 0;        // of the archive
    QString archivo;          // the delivered archive (Sellado, Entero)
    QStringList particiones;  // the delivered partitions (Particionado)
    QString aviso;            // why it was delivered whole or under another name
    bool demasiadas = false;  // Entero because a split would exceed 327 partitions
    bool alConfirmar = false; // Cancelado at the split's confirmation
    Falla falla;              // Rechazado, Cancelado, Fallido
};

// The whole operation, in one job. Every listed path must be a regular file
// that can be read. The archive is written as a temporary in the
// destination folder and delivered only when every member holds exactly
// the bytes read from its file; its hash is computed while it is written.
// A failure or a cancel leaves nothing of the run, and a run removes the
// temporaries that dead runs left in that folder.
ResultadoCompresion ComprimoArchivosMulti(const PlanCompresion& plan, Progreso* progreso = nullptr);
