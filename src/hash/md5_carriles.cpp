#include "hash/md5_carriles.h"

#include "hash/md5_rondas.h"
#include "hash/motor_hash.h"
#include "system/archivos.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

namespace {

struct V1 {
    using R = std::uint32_t;
    static R suma(R x, R y) { return x + y; }
    static R constante(int n) { return kSenosMd5[n]; }
    template <int S>
    static R rota(R x)
    {
        return std::rotl(x, S);
    }
    static R f(R b, R c, R d) { return d ^ (b & (c ^ d)); }
    static R g(R b, R c, R d) { return c ^ (d & (b ^ c)); }
    static R h(R b, R c, R d) { return b ^ c ^ d; }
    static R i(R b, R c, R d) { return c ^ (b | ~d); }
};

std::uint32_t palabra(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// One stream, one block at a time: the tail of a digest, and the last few
// streams of a batch, where a vector step would carry mostly idle lanes.
void comprimoEscalar(std::uint32_t* h, const unsigned char* p, std::size_t bloques)
{
    for (; bloques > 0; --bloques, p += 64) {
        std::uint32_t M[16];
        for (int k = 0; k < 16; ++k)
            M[k] = palabra(p + 4 * k);
        RondasMd5<V1>(h[0], h[1], h[2], h[3], M);
    }
}

NucleoBloques bloquesDe(NucleoMd5 nucleo)
{
    switch (nucleo) {
    case NucleoMd5::Avx2: return Md5BloquesAvx2;
    case NucleoMd5::Avx512: return Md5BloquesAvx512;
    case NucleoMd5::OpenSsl: break;
    }
    return nullptr;
}

// Below this many busy lanes, with no stream waiting, the scalar path is faster.
int umbralEscalar(NucleoMd5 nucleo) { return nucleo == NucleoMd5::Avx512 ? 3 : 2; }

} // namespace

bool NucleoDisponible(NucleoMd5 nucleo)
{
    switch (nucleo) {
    case NucleoMd5::OpenSsl: return true;
    case NucleoMd5::Avx2: return __builtin_cpu_supports("avx2");
    case NucleoMd5::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
            && __builtin_cpu_supports("avx512vl");
    }
    return false;
}

QString NombreNucleo(NucleoMd5 nucleo)
{
    switch (nucleo) {
    case NucleoMd5::Avx2: return QStringLiteral("avx2");
    case NucleoMd5::Avx512: return QStringLiteral("avx512");
    case NucleoMd5::OpenSsl: break;
    }
    return QStringLiteral("openssl");
}

int CarrilesDe(NucleoMd5 nucleo)
{
    switch (nucleo) {
    case NucleoMd5::Avx2: return 8;
    case NucleoMd5::Avx512: return 16;
    case NucleoMd5::OpenSsl: break;
    }
    return 1;
}

Resultado<NucleoMd5> ElijoNucleoMd5()
{
    const QString pedido = qEnvironmentVariable("TERV_MD5").trimmed().toLower();
    if (pedido.isEmpty()) {
        for (NucleoMd5 n : {NucleoMd5::Avx512, NucleoMd5::Avx2})
            if (NucleoDisponible(n))
                return n;
        return NucleoMd5::OpenSsl;
    }
    for (NucleoMd5 n : {NucleoMd5::OpenSsl, NucleoMd5::Avx2, NucleoMd5::Avx512}) {
        if (pedido != NombreNucleo(n))
            continue;
        if (!NucleoDisponible(n))
            return Falla::otra(QStringLiteral("El procesador no dispone de ") + pedido.toUpper()
                               + QStringLiteral(": no se puede calcular el código Hash con TERV_MD5=") + pedido);
        return n;
    }
    return Falla{TipoFalla::ArgumentoInvalido,
                 QStringLiteral("Valor desconocido en TERV_MD5: \"") + pedido
                     + QStringLiteral("\" (openssl, avx2 o avx512)"),
                 0};
}

// ---- the set of streams ----

struct Md5Carriles::Flujo {
    std::uint32_t h[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    std::uint64_t largo = 0;
    unsigned char cola[64];   // bytes short of a whole block
    unsigned char bloque[64]; // the tail completed by this batch
    std::size_t enCola = 0;
    bool enLote = false;
    std::unique_ptr<Md5> ssl;
};

// The whole blocks one stream brings to a batch, in order.
struct Md5Carriles::Tramo {
    int flujo;
    const unsigned char* p[2];
    std::size_t n[2];
};

qint64 PiezaPorCarril(int carriles) { return std::max<qint64>(64 * 1024, kBloque / qint64(std::max(1, carriles)) * 4); }

Md5Carriles::Md5Carriles(NucleoMd5 nucleo) : nucleo_(nucleo) {}

Md5Carriles::~Md5Carriles() = default;

int Md5Carriles::abro()
{
    auto f = std::make_unique<Flujo>();
    if (nucleo_ == NucleoMd5::OpenSsl)
        f->ssl = std::make_unique<Md5>();
    if (!libres_.empty()) {
        const int i = libres_.back();
        libres_.pop_back();
        flujos_[size_t(i)] = std::move(f);
        return i;
    }
    flujos_.push_back(std::move(f));
    return int(flujos_.size()) - 1;
}

void Md5Carriles::agrego(int flujo, const char* datos, std::size_t largo)
{
    const Trozo t{flujo, datos, largo};
    agrego(std::span<const Trozo>(&t, 1));
}

void Md5Carriles::agrego(std::span<const Trozo> trozos)
{
    if (nucleo_ == NucleoMd5::OpenSsl) {
        for (const Trozo& t : trozos)
            flujos_[size_t(t.flujo)]->ssl->agrego(t.datos, t.largo);
        return;
    }
    std::vector<Tramo> tramos;
    tramos.reserve(trozos.size());
    for (const Trozo& t : trozos) {
        Flujo& f = *flujos_[size_t(t.flujo)];
        if (f.enLote) { // the same stream twice: its first bytes go first
            avanzo(tramos);
            tramos.clear();
        }
        auto p = reinterpret_cast<const unsigned char*>(t.datos);
        std::size_t n = t.largo;
        f.largo += n;
        Tramo tr{t.flujo, {nullptr, nullptr}, {0, 0}};
        if (f.enCola > 0) {
            const std::size_t toma = std::min(64 - f.enCola, n);
            std::memcpy(f.cola + f.enCola, p, toma);
            f.enCola += toma;
            p += toma;
            n -= toma;
            if (f.enCola == 64) {
                std::memcpy(f.bloque, f.cola, 64);
                tr.p[0] = f.bloque;
                tr.n[0] = 1;
                f.enCola = 0;
            }
        }
        if (n > 0) {
            tr.p[1] = p;
            tr.n[1] = n / 64;
            f.enCola = n % 64;
            std::memcpy(f.cola, p + 64 * tr.n[1], f.enCola);
        }
        if (tr.n[0] + tr.n[1] > 0) {
            tramos.push_back(tr);
            f.enLote = true;
        }
    }
    avanzo(tramos);
}

// One batch of runs: each lane takes a stream's run of blocks, the kernel
// advances every busy lane together, and a lane whose run ends takes the next.
struct Md5Carriles::Lote {
    struct Carril {
        int tramo = -1; // -1: idle
        int seg = 0;    // the piece of the run in work (Tramo::p)
        const unsigned char* p = nullptr;
        std::size_t resta = 0; // blocks left in that piece
    };
    // The busy lanes, one of them, and the fewest blocks any has left.
    struct Ocupacion {
        int activos = 0;
        int uno = -1;
        std::size_t m = SIZE_MAX;
    };

    Lote(Md5Carriles& de, std::vector<Tramo>& corridas)
        : motor(de), tramos(corridas), L(CarrilesDe(de.nucleo_)), bloques(bloquesDe(de.nucleo_))
    {}

    Md5Carriles& motor;
    std::vector<Tramo>& tramos;
    const int L;
    const NucleoBloques bloques;
    alignas(64) std::uint32_t estado[4 * 16];
    Carril c[16];
    std::size_t siguiente = 0;

    const Tramo& tramoDe(int l) const { return tramos[size_t(c[l].tramo)]; }
    Flujo& flujoDe(int l) const { return *motor.flujos_[size_t(tramoDe(l).flujo)]; }
    bool quedanTramos() const { return siguiente < tramos.size(); }

    // Lane l's stream keeps the state the lane reached; the lane goes idle.
    void guardo(int l)
    {
        Flujo& f = flujoDe(l);
        for (int k = 0; k < 4; ++k)
            f.h[k] = estado[k * L + l];
        f.enLote = false;
        c[l].tramo = -1;
    }

    // Lane l takes the next run, starting from its stream's state.
    void cargo(int l)
    {
        c[l].tramo = int(siguiente++);
        c[l].seg = -1;
        const Flujo& f = flujoDe(l);
        for (int k = 0; k < 4; ++k)
            estado[k * L + l] = f.h[k];
    }

    // Lane l to the next non-empty piece of its run; false when the run is done.
    bool pasoDePieza(int l)
    {
        const Tramo& t = tramoDe(l);
        while (++c[l].seg < 2)
            if (t.n[c[l].seg] > 0) {
                c[l].p = t.p[c[l].seg];
                c[l].resta = t.n[c[l].seg];
                return true;
            }
        return false;
    }

    // Moves lane l to its stream's next run of blocks, or to the next stream.
    void sigo(int l)
    {
        for (;;) {
            if (c[l].tramo >= 0) {
                if (pasoDePieza(l))
                    return;
                guardo(l);
            }
            if (!quedanTramos())
                return;
            cargo(l);
        }
    }

    Ocupacion cuento() const
    {
        Ocupacion o;
        for (int l = 0; l < L; ++l)
            if (c[l].tramo >= 0) {
                ++o.activos;
                o.uno = l;
                o.m = std::min(o.m, c[l].resta);
            }
        return o;
    }

    // The last few busy lanes, one stream at a time to its end.
    void terminoEscalar()
    {
        for (int l = 0; l < L; ++l) {
            if (c[l].tramo < 0)
                continue;
            std::uint32_t h[4];
            for (int k = 0; k < 4; ++k)
                h[k] = estado[k * L + l];
            const Tramo& t = tramoDe(l);
            comprimoEscalar(h, c[l].p, c[l].resta);
            for (int s = c[l].seg + 1; s < 2; ++s)
                comprimoEscalar(h, t.p[s], t.n[s]);
            for (int k = 0; k < 4; ++k)
                estado[k * L + l] = h[k];
            guardo(l);
        }
    }

    // m blocks on every lane at once.
    void pasoVectorial(const Ocupacion& o)
    {
        // Idle lanes repeat a busy lane's blocks; their results are dropped.
        const unsigned char* punteros[16];
        for (int l = 0; l < L; ++l)
            punteros[l] = c[l].tramo >= 0 ? c[l].p : c[o.uno].p;
        bloques(estado, punteros, o.m);
        for (int l = 0; l < L; ++l) {
            if (c[l].tramo < 0)
                continue;
            c[l].p += 64 * o.m;
            c[l].resta -= o.m;
            if (c[l].resta == 0)
                sigo(l);
        }
    }

    void corro()
    {
        for (int l = 0; l < L; ++l)
            sigo(l);
        for (;;) {
            const Ocupacion o = cuento();
            if (o.activos == 0)
                return;
            if (!quedanTramos() && o.activos < umbralEscalar(motor.nucleo_)) {
                terminoEscalar();
                return;
            }
            pasoVectorial(o);
        }
    }
};

void Md5Carriles::avanzo(std::vector<Tramo>& tramos)
{
    Lote lote(*this, tramos);
    lote.corro();
}

QString Md5Carriles::termino(int flujo)
{
    std::unique_ptr<Flujo> f = std::move(flujos_[size_t(flujo)]);
    libres_.push_back(flujo);
    if (f->ssl)
        return f->ssl->texto();
    unsigned char fin[128] = {};
    std::memcpy(fin, f->cola, f->enCola);
    fin[f->enCola] = 0x80;
    const std::size_t n = f->enCola < 56 ? 64 : 128;
    const std::uint64_t bits = f->largo * 8;
    for (int k = 0; k < 8; ++k)
        fin[n - 8 + size_t(k)] = static_cast<unsigned char>(bits >> (8 * k));
    comprimoEscalar(f->h, fin, n / 64);
    static const char hex[] = "0123456789ABCDEF";
    QString texto(32, Qt::Uninitialized);
    for (int k = 0; k < 16; ++k) {
        const unsigned b = (f->h[k / 4] >> (8 * (k % 4))) & 0xff;
        texto[2 * k] = QLatin1Char(hex[b >> 4]);
        texto[2 * k + 1] = QLatin1Char(hex[b & 15]);
    }
    return texto;
}

// ---- many files ----

namespace {

// Per lane and round: small enough that a round stays in the cache between
// reading and hashing, large enough to keep system calls few.
constexpr qint64 kTrozo = 128 * 1024;

// One hashing thread: up to one file per lane, taken from the shared counter
// as lanes free up; each round reads a piece of every open file and hashes the
// pieces together.
class HashoArchivos {
public:
    HashoArchivos(NucleoMd5 nucleo, qsizetype cantidad, std::atomic<qsizetype>& siguiente, const AbroParaHash& abro,
                  const TerminoHash& termino, Progreso* progreso)
        : motor_(nucleo),
          trozo_(nucleo == NucleoMd5::OpenSsl ? kBloque : kTrozo),
          cantidad_(cantidad),
          siguiente_(siguiente),
          abro_(abro),
          termino_(termino),
          progreso_(progreso),
          ranuras_(static_cast<size_t>(CarrilesDe(nucleo)))
    {}

    void corro()
    {
        for (;;) {
            if (progreso_ && progreso_->cancelado()) {
                cancelo();
                return;
            }
            if (ocupo() == 0)
                return;
            leoYHasho();
        }
    }

private:
    struct Ranura {
        qsizetype indice = -1;
        ArchivoCrudo* archivo = nullptr;
        int flujo = -1;
        std::vector<char> datos;
    };

    void cierro(Ranura& r, Resultado<QString> resultado)
    {
        const QString texto = motor_.termino(r.flujo);
        if (resultado)
            resultado = texto;
        termino_(r.indice, std::move(resultado));
        r.archivo = nullptr;
        r.indice = -1;
    }

    // Every file this thread holds or has yet to take ends cancelled.
    void cancelo()
    {
        for (Ranura& r : ranuras_)
            if (r.indice >= 0)
                cierro(r, Falla::cancelada());
        for (qsizetype i; (i = siguiente_.fetch_add(1)) < cantidad_;)
            termino_(i, Falla::cancelada());
    }

    // The next file into r; false when none is left. A file that does not
    // open ends there, and r stays free.
    bool tomo(Ranura& r)
    {
        const qsizetype i = siguiente_.fetch_add(1);
        if (i >= cantidad_)
            return false;
        auto archivo = abro_(i);
        if (!archivo) {
            termino_(i, archivo.falla());
            return true;
        }
        archivo.valor()->avisoLecturaSecuencial();
        r.archivo = archivo.valor();
        r.indice = i;
        r.flujo = motor_.abro();
        if (r.datos.empty())
            r.datos.resize(size_t(trozo_));
        return true;
    }

    // Fills the free lanes; how many hold a file.
    int ocupo()
    {
        int activas = 0;
        for (Ranura& r : ranuras_) {
            while (r.indice < 0 && tomo(r)) {}
            activas += r.indice >= 0;
        }
        return activas;
    }

    void leoYHasho()
    {
        trozos_.clear();
        qint64 bytes = 0;
        for (Ranura& r : ranuras_) {
            if (r.indice < 0)
                continue;
            auto leidos = r.archivo->leo(r.datos.data(), trozo_);
            if (!leidos)
                cierro(r, leidos.falla());
            else if (leidos.valor() == 0)
                cierro(r, QString());
            else {
                trozos_.push_back({r.flujo, r.datos.data(), size_t(leidos.valor())});
                bytes += leidos.valor();
            }
        }
        motor_.agrego(trozos_);
        if (progreso_)
            progreso_->sumo(bytes);
    }

    Md5Carriles motor_;
    const qint64 trozo_;
    const qsizetype cantidad_;
    std::atomic<qsizetype>& siguiente_;
    const AbroParaHash& abro_;
    const TerminoHash& termino_;
    Progreso* const progreso_;
    std::vector<Ranura> ranuras_;
    std::vector<Md5Carriles::Trozo> trozos_;
};

} // namespace

void CalculoHashes(qsizetype cantidad, const AbroParaHash& abro, const TerminoHash& termino, Progreso* progreso,
                   int hilos)
{
    // One file is one stream: the overlapped single-stream path is faster.
    if (cantidad == 1) {
        auto archivo = abro(0);
        termino(0, archivo ? CalculoHash(*archivo.valor(), progreso) : Resultado<QString>(archivo.falla()));
        return;
    }
    const auto nucleo = ElijoNucleoMd5();
    if (!nucleo) {
        for (qsizetype i = 0; i < cantidad; ++i)
            termino(i, nucleo.falla());
        return;
    }
    std::atomic<qsizetype> siguiente{0};
    const int n =
        int(std::clamp<qsizetype>(std::min<qsizetype>(hilos, std::max(1u, std::thread::hardware_concurrency())), 1,
                                  std::max<qsizetype>(1, cantidad)));
    std::vector<std::thread> otros;
    for (int k = 1; k < n; ++k)
        otros.emplace_back(
            [&] { HashoArchivos(nucleo.valor(), cantidad, siguiente, abro, termino, progreso).corro(); });
    HashoArchivos(nucleo.valor(), cantidad, siguiente, abro, termino, progreso).corro();
    for (auto& t : otros)
        t.join();
}

std::vector<Resultado<QString>> CalculoHashes(std::vector<ArchivoCrudo>& archivos, Progreso* progreso, int hilos)
{
    std::vector<std::optional<Resultado<QString>>> hechos(archivos.size());
    CalculoHashes(
        qsizetype(archivos.size()), [&](qsizetype i) -> Resultado<ArchivoCrudo*> { return &archivos[size_t(i)]; },
        [&](qsizetype i, Resultado<QString> r) { hechos[size_t(i)].emplace(std::move(r)); }, progreso, hilos);
    std::vector<Resultado<QString>> resultados;
    resultados.reserve(hechos.size());
    for (auto& h : hechos)
        resultados.push_back(std::move(*h));
    return resultados;
}
