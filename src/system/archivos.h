#pragma once
// File operations with Spanish failures. Raw descriptors keep big files fast
// and bounded in memory; this is the one place that knows the platform calls.
#include "system/fallas.h"

#include <QString>
#include <cstddef>

class ArchivoCrudo {
public:
    // Escritura opens an existing file (a fresh temporary one) without
    // truncating it: ext4 flushes a truncated file when it is closed.
    enum class Modo { Lectura, CreoReemplazando, CreoNuevo, Escritura };

    ArchivoCrudo() = default;
    ~ArchivoCrudo();
    ArchivoCrudo(ArchivoCrudo&& otro) noexcept;
    ArchivoCrudo& operator=(ArchivoCrudo&& otro) noexcept;
    ArchivoCrudo(const ArchivoCrudo&) = delete;
    ArchivoCrudo& operator=(const ArchivoCrudo&) = delete;

    static Resultado<ArchivoCrudo> abro(const QString& ruta, Modo modo);

    bool abierto() const { return fd_ >= 0; }
    const QString& ruta() const { return ruta_; }
    Resultado<qint64> tamano() const;
    // Reads up to n bytes at the current position; 0 means end of file.
    Resultado<qint64> leo(char* destino, qint64 n);
    // Reads exactly n bytes at a position: a file that ends early is a failure.
    Estado leoExacto(char* destino, qint64 n, qint64 posicion);
    Estado escribo(const char* origen, qint64 n);
    Estado escriboEn(const char* origen, qint64 n, qint64 posicion);
    // Copies n bytes of origen (from desde) to this file (at hacia), inside the
    // kernel where it can (copy_file_range), through a buffer where it cannot.
    Estado copioDe(ArchivoCrudo& origen, qint64 desde, qint64 hacia, qint64 n);
    // Closing reports delayed write errors (a full disk shows up here too).
    Estado cierro();
    void avisoLecturaSecuencial();

private:
    int fd_ = -1;
    QString ruta_;
};

// Never replaces an existing target: a taken name fails with TipoFalla::YaExiste
// and both files stay as they were.
Estado RenombroSinReemplazo(const QString& desde, const QString& hacia);
// Replaces the target atomically (used where replacing is the intended behaviour).
Estado RenombroReemplazando(const QString& desde, const QString& hacia);
Estado BorroArchivo(const QString& ruta);
bool ExisteArchivoComun(const QString& ruta);
Resultado<qint64> TamanoDe(const QString& ruta);
// Copies through a temporary file beside the target, so a failed copy never
// leaves half a file under the target's name.
Estado CopioArchivo(const QString& origen, const QString& destino, bool reemplazar);
// Moves a file: a rename when both sit on one file system, otherwise a copy.
Estado MuevoArchivo(const QString& origen, const QString& destino, bool reemplazar);
// A fresh, empty file with a unique name in the folder (for work in progress).
Resultado<QString> CreoTemporalEn(const QString& carpeta, const QString& prefijo);

// "a/b/c.zip" -> "c.zip"; "a/b/" -> "".
QString NombreDeRuta(const QString& ruta);
// "a/b/c.zip" -> "a/b/" (with its separator).
QString CarpetaDeRuta(const QString& ruta);
// Folder + "/" + name, without doubling the separator of a root.
QString UnoRuta(const QString& carpeta, const QString& nombre);
