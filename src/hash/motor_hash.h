#pragma once
// The hash text of a file: MD5 of its raw bytes, 32 upper-case hexadecimal
// characters, equal to md5sum's in upper case.
#include "system/fallas.h"
#include "system/progreso.h"

#include <QString>
#include <cstddef>
#include <memory>

class Md5 {
public:
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;
    void agrego(const char* datos, std::size_t n);
    // Takes the state of otro: a point that a rewritten stream returns to.
    void copio(const Md5& otro);
    QString texto(); // ends the digest
private:
    struct Contexto;
    std::unique_ptr<Contexto> e_;
};

// Streams the file in bounded blocks (reading overlapped with hashing), adding
// the bytes done to progreso->hecho; a set cancel flag ends it with TipoFalla::Cancelado.
Resultado<QString> CalculoHash(const QString& ruta, Progreso* progreso = nullptr);
// The same from an open file, read from its current position to its end.
class ArchivoCrudo;
Resultado<QString> CalculoHash(ArchivoCrudo& archivo, Progreso* progreso = nullptr);

// Whether the regular file at ruta (never through a link) is of that size
// and content hash: a name already holding the very bytes it would be given.
bool ContieneHash(const QString& ruta, qint64 tamano, const QString& hash);

// Block size of every streaming loop: large enough for throughput, small
// enough to keep memory bounded whatever the file size.
constexpr qint64 kBloque = 1 << 20;
