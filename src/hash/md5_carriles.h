#pragma once
// Many independent MD5 streams hashed together: a SIMD kernel advances one
// 64-byte block of 8 (AVX2) or 16 (AVX-512) streams per step, so the split,
// the join and a folder check hash their files at several times the speed of
// one stream. OpenSSL, one stream at a time, is the fallback and the reference.
#include "system/archivos.h"
#include "system/fallas.h"
#include "system/progreso.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

enum class NucleoMd5 { OpenSsl, Avx2, Avx512 };

bool NucleoDisponible(NucleoMd5 nucleo);
QString NombreNucleo(NucleoMd5 nucleo); // "openssl", "avx2", "avx512"
int CarrilesDe(NucleoMd5 nucleo);       // streams advanced per step
// TERV_MD5=openssl|avx2|avx512 forces a kernel; otherwise the widest the
// processor has. A forced kernel the processor lacks is a failure, not a crash.
Resultado<NucleoMd5> ElijoNucleoMd5();

// The bytes read per lane and round when one thread keeps `carriles` streams
// going: about four blocks of memory in all, whatever the files' sizes.
qint64 PiezaPorCarril(int carriles);

class Md5Carriles {
public:
    explicit Md5Carriles(NucleoMd5 nucleo);
    ~Md5Carriles();
    Md5Carriles(const Md5Carriles&) = delete;
    Md5Carriles& operator=(const Md5Carriles&) = delete;

    NucleoMd5 nucleo() const { return nucleo_; }
    int abro(); // a new empty stream; its number is valid until termino()

    // Bytes for several streams; they are hashed together before this returns,
    // so the buffers may be reused afterwards.
    struct Trozo {
        int flujo;
        const char* datos;
        std::size_t largo;
    };
    void agrego(std::span<const Trozo> trozos);
    void agrego(int flujo, const char* datos, std::size_t largo);
    // Ends the stream: its 32 upper-case hexadecimal characters.
    QString termino(int flujo);

private:
    struct Flujo;
    struct Tramo;
    struct Lote;
    void avanzo(std::vector<Tramo>& tramos);

    NucleoMd5 nucleo_;
    std::vector<std::unique_ptr<Flujo>> flujos_;
    std::vector<int> libres_;
};

// Hashes files in lanes on up to `hilos` threads, memory bounded whatever
// their sizes; each file is read from its current position to its end (one
// file alone takes the overlapped one-stream path). abro(i) hands file i or
// its failure when a lane takes it; termino(i, hash) receives its result and
// may release the file. Both are called from the hashing threads, never twice
// for one i. Bytes done are added to progreso->hecho; a set cancel flag ends
// every unfinished file with TipoFalla::Cancelado.
using AbroParaHash = std::function<Resultado<ArchivoCrudo*>(qsizetype)>;
using TerminoHash = std::function<void(qsizetype, Resultado<QString>)>;
void CalculoHashes(qsizetype cantidad, const AbroParaHash& abro, const TerminoHash& termino,
                   Progreso* progreso = nullptr, int hilos = 2);
// The same over open files; results in the order given.
std::vector<Resultado<QString>> CalculoHashes(std::vector<ArchivoCrudo>& archivos, Progreso* progreso = nullptr,
                                              int hilos = 2);
