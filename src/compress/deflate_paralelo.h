#pragma once
// Deflate of one file on every core that still yields one standard raw
// deflate stream: the input is cut into pieces, each piece is primed with the
// 32 KiB before it as its dictionary and ends on a byte boundary (a sync
// flush), so the compressed pieces simply follow one another; the last one
// ends the stream. The CRC-32 of each piece is combined into the file's.
#include "system/fallas.h"
#include "system/trabajo.h"

#include <functional>
#include <memory>

class ArchivoCrudo;

// Input bytes per piece: the cancel flag is looked at once per piece, and the
// 32 KiB of dictionary each piece is primed with cost little beside it.
constexpr qint64 kPiezaDeflate = 512 << 10;

// The threads that deflate: TERV_HILOS when it holds a positive number
// (1 deflates as one plain stream), otherwise one per core.
int HilosDeflate();

// The failures of reading an input, naming it.
Falla FallaLectura(const Falla& causa, const QString& ruta);
Falla FallaCambiado(const QString& ruta);

struct ResumenDeflate {
    quint32 crc = 0;
    qint64 comprimidos = 0;
};

class DeflateParalelo {
public:
    explicit DeflateParalelo(int hilos);
    ~DeflateParalelo();
    DeflateParalelo(const DeflateParalelo&) = delete;
    DeflateParalelo& operator=(const DeflateParalelo&) = delete;

    // The compressed bytes of one piece and how many bytes of the file it holds.
    using Salida = std::function<Estado(const char* datos, qint64 n, qint64 leidos)>;
    // Deflates esperado bytes of entrada from its current position at zlib's
    // level 6, handing the compressed bytes to salida in stream order. A file
    // that ends early or goes on is TipoFalla::Cambiado; a read error names
    // the file; a set cancel flag stops it between pieces. Each piece read
    // is added to progreso->hecho.
    Resultado<ResumenDeflate> comprimo(ArchivoCrudo& entrada, qint64 esperado, const Salida& salida,
                                       Progreso* progreso);

    struct Interno; // the threads and the ring of pieces they share
private:
    std::unique_ptr<Interno> d_;
};
