#pragma once
// The one file layer every read and write goes through. Its promises:
// - inputs are regular files: links, folders, FIFOs and devices are refused
//   before anything is written, and opening never blocks;
// - new files are created exclusively, never through a link, with the
//   user's umask; an existing name is only ever replaced by renaming a
//   complete, flushed file onto it, and the folder is flushed after;
// - work in progress lives under one temporary name form, locked by its run,
//   so that leftovers of an interrupted run can be told apart and removed.
#include "system/fallas.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <vector>

// What tells a file apart from another that took its name meanwhile.
struct IdentidadArchivo {
    quint64 dispositivo = 0, nodo = 0;
    qint64 tamano = 0;
    qint64 modificadoNs = 0;
    // A same-size edit with its modification time put back still moves this.
    qint64 cambiadoNs = 0;
    bool operator==(const IdentidadArchivo&) const = default;
};

class ArchivoCrudo {
public:
    enum class Modo {
        Lectura,        // a regular file, not a link
        CreoNuevo,      // read and write; fails with TipoFalla::YaExiste when the name is taken
        CreoEjecutable, // as CreoNuevo, executable as far as the umask allows (scripts)
        Modifico,       // a regular file of the run's own, written in place (not a link, never truncated)
    };

    ArchivoCrudo() = default;
    ~ArchivoCrudo();
    ArchivoCrudo(ArchivoCrudo&& otro) noexcept;
    ArchivoCrudo& operator=(ArchivoCrudo&& otro) noexcept;
    ArchivoCrudo(const ArchivoCrudo&) = delete;
    ArchivoCrudo& operator=(const ArchivoCrudo&) = delete;

    static Resultado<ArchivoCrudo> abro(const QString& ruta, Modo modo);

    bool abierto() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    const QString& ruta() const { return ruta_; }
    Resultado<qint64> tamano() const;
    Resultado<IdentidadArchivo> identidad() const;
    // Reads up to n bytes at the current position; 0 means end of file.
    Resultado<qint64> leo(char* destino, qint64 n);
    // Back to the start, for one more sequential read.
    Estado vuelvoAlInicio();
    // Reads exactly n bytes at a position: a file that ends early is a failure.
    Estado leoExacto(char* destino, qint64 n, qint64 posicion);
    Estado escribo(const char* origen, qint64 n);
    Estado escriboEn(const char* origen, qint64 n, qint64 posicion);
    // Copies n bytes of another file from a position, in the kernel when it
    // can; a hole of the source stays a hole (the copy grows to its length).
    Estado copioDesde(ArchivoCrudo& origen, qint64 posicionOrigen, qint64 n, qint64 posicionDestino);
    // Flushes the content to the disk.
    Estado sincronizo();
    // Cuts a file of the run's own down to largo bytes (a rewritten tail).
    Estado recorto(qint64 largo);
    // Closing reports delayed write errors (a full disk shows up here too).
    Estado cierro();
    void avisoLecturaSecuencial();
    // Starts writing a range to the disk without waiting for it, so that a
    // later flush of a large file waits little (a hint; errors show at the flush).
    void adelantoEscritura(qint64 posicion, qint64 n);

private:
    Estado copioTramo(ArchivoCrudo& origen, qint64 posicionOrigen, qint64 n, qint64 posicionDestino);

    int fd_ = -1;
    QString ruta_;
};

// A file being written under the temporary name form ".terv-<pid>-XXXXXX.tmp",
// locked for as long as its run holds it. Dropped without being delivered,
// it is removed.
class Temporal {
public:
    Temporal() = default;
    ~Temporal();
    Temporal(Temporal&& otro) noexcept;
    Temporal& operator=(Temporal&& otro) noexcept;

    static Resultado<Temporal> creo(const QString& carpeta, ArchivoCrudo::Modo modo = ArchivoCrudo::Modo::CreoNuevo);

    ArchivoCrudo& archivo() { return archivo_; }
    const QString& ruta() const { return ruta_; }
    // Flushes the content, renames it onto destino (never over an existing
    // name unless reemplazar) and flushes the folder (a folder that cannot
    // be flushed undoes the rename). Afterwards the temporary is gone,
    // whatever the outcome.
    Estado entrego(const QString& destino, bool reemplazar);
    // As entrego() without replacing, except that a taken name keeps the
    // temporary (TipoFalla::YaExiste), so that another name can be tried.
    Estado entregoSiLibre(const QString& destino);
    // Flushes and closes the content, keeping the temporary for a later entrego().
    Estado termino();
    void descarto();

private:
    ArchivoCrudo archivo_;
    QString ruta_;
};

// The temporary name form.
bool EsNombreTemporal(const QString& nombre);
// Removes the temporaries that runs which are no longer alive left in the
// folder; never anything else, never a live run's files, never one of the
// run's own inputs (identities in conservo). Only what a run provably made
// goes: a regular file of the temporary name form (a folder named alike is
// never ours: no run makes folders). Everything is removed relative to descriptors opened without
// following a link, so a name swapped meanwhile leads nowhere else.
void LimpioTemporalesHuerfanos(const QString& carpeta, const std::vector<IdentidadArchivo>& conservo = {});

// Held while a run writes its outputs into a folder: a second run that would
// write there is refused at once with TipoFalla::Ocupado. Released on destruction.
class CerrojoCarpeta {
public:
    CerrojoCarpeta() = default;
    ~CerrojoCarpeta();
    CerrojoCarpeta(CerrojoCarpeta&& otro) noexcept : fd_(otro.fd_) { otro.fd_ = -1; }
    CerrojoCarpeta& operator=(CerrojoCarpeta&&) = delete;
    static Resultado<CerrojoCarpeta> tomo(const QString& carpeta);

private:
    int fd_ = -1;
};

// The identity of the regular file at ruta (not following a link; a link, a
// folder, a FIFO or a device is refused).
Resultado<IdentidadArchivo> IdentidadDe(const QString& ruta);
// The size of a regular file (not following a link).
Resultado<qint64> TamanoDe(const QString& ruta);
bool ExisteArchivoComun(const QString& ruta);
// Whether anything at all carries the name (a dangling link too).
bool ExisteNombre(const QString& ruta);

// Never replaces an existing target: a taken name fails with TipoFalla::YaExiste
// and both files stay as they were. The folder is flushed afterwards.
// Every delivery keeps one rule: when the folder cannot be flushed after the
// rename, the rename is undone (the files stay as they were before) and the
// failure is reported, so that what the names hold matches what the operator is told.
Estado RenombroSinReemplazo(const QString& desde, const QString& hacia);
// Replaces the target atomically (where replacing is the intended behaviour);
// the replaced file comes back when the folder cannot be flushed.
Estado RenombroReemplazando(const QString& desde, const QString& hacia);
Estado BorroArchivo(const QString& ruta);
Estado SincronizoCarpeta(const QString& carpeta);
// Copies through a temporary beside the target, so that a failed copy never
// leaves half a file under the target's name.
Estado CopioArchivo(const QString& origen, const QString& destino, bool reemplazar);
// Moves a file: a rename when both sit on one file system, otherwise a copy.
Estado MuevoArchivo(const QString& origen, const QString& destino, bool reemplazar);
// Whether the file already at destinos[k] is the very content temporal k holds.
using MismoContenido = std::function<bool(qsizetype k, const QString& destino)>;
// Delivers each temporary to its name, in order, or none: on a failure the
// names this call created are removed again, never a file something else had
// put there. A taken name whose file mismo() finds identical is kept as it is
// and counts as delivered (a re-run completes an interrupted delivery).
Resultado<QStringList> EntregoTodos(std::vector<Temporal>& temporales, const QStringList& destinos, bool reemplazar,
                                    const MismoContenido& mismo = {});

// The names of a folder that are not valid UTF-8, decoded (with U+FFFD, so
// that every use of them is refused): a listing by Qt leaves them out, and a
// check must show them rather than skip them silently.
QStringList NombresIlegibles(const QString& carpeta);

// "a/b/c.zip" -> "c.zip"; "a/b/" -> "".
QString NombreDeRuta(const QString& ruta);
// "a/b/c.zip" -> "a/b/" (with its separator).
QString CarpetaDeRuta(const QString& ruta);
// Folder + "/" + name, without doubling the separator of a root.
QString UnoRuta(const QString& carpeta, const QString& nombre);
