#include "compress/deflate_paralelo.h"

#include "system/archivos.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr qint64 kVentana = 32 << 10; // what deflate looks back at
constexpr int kNivel = 6;             // zip's default level

struct Pieza {
    std::vector<char> entrada; // the dictionary, then the piece's own bytes
    qint64 diccionario = 0;
    bool ultima = false;
    bool continua = false; // goes on the previous piece's stream (one thread)
    std::vector<char> salida;
    uLong crc = 0;
    bool lista = false;
    bool error = false;
    qint64 propios() const { return qint64(entrada.size()) - diccionario; }
};

class Compresor {
public:
    Compresor() { ok_ = deflateInit2(&z_, kNivel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Compresor()
    {
        if (ok_)
            deflateEnd(&z_);
    }
    Compresor(const Compresor&) = delete;
    Compresor& operator=(const Compresor&) = delete;
    // false: zlib could not (no memory).
    bool comprimo(Pieza& p);

private:
    bool empiezo(Pieza& p);
    z_stream z_{};
    bool ok_ = false;
};

bool Compresor::empiezo(Pieza& p)
{
    if (p.continua)
        return true;
    if (deflateReset(&z_) != Z_OK)
        return false;
    return p.diccionario == 0
        || deflateSetDictionary(&z_, reinterpret_cast<const Bytef*>(p.entrada.data()), uInt(p.diccionario)) == Z_OK;
}

bool Compresor::comprimo(Pieza& p)
{
    if (!ok_ || !empiezo(p))
        return false;
    auto* datos = reinterpret_cast<Bytef*>(p.entrada.data()) + p.diccionario;
    const auto n = uInt(p.propios());
    p.crc = crc32(0, datos, n);
    z_.next_in = datos;
    z_.avail_in = n;
    // A sync flush ends the piece on a byte boundary; one stream needs none.
    const int modo = p.ultima ? Z_FINISH : (p.continua ? Z_NO_FLUSH : Z_SYNC_FLUSH);
    std::size_t hecho = 0;
    p.salida.resize(std::size_t(n) + n / 16 + 64);
    for (;;) {
        z_.next_out = reinterpret_cast<Bytef*>(p.salida.data() + hecho);
        z_.avail_out = uInt(p.salida.size() - hecho);
        const int r = deflate(&z_, modo);
        hecho = p.salida.size() - z_.avail_out;
        if (r == Z_STREAM_ERROR)
            return false;
        if (modo == Z_FINISH ? r == Z_STREAM_END : (z_.avail_in == 0 && z_.avail_out > 0))
            break;
        if (z_.avail_out > 0)
            return false;
        p.salida.resize(p.salida.size() * 2);
    }
    p.salida.resize(hecho);
    return true;
}

} // namespace

int HilosDeflate()
{
    // Each thread keeps two pieces in flight (about 2 MB): bounded memory.
    constexpr int kMaximo = 32;
    bool ok = false;
    const int pedido = qEnvironmentVariableIntValue("TERV_HILOS", &ok);
    if (ok && pedido > 0)
        return std::min(pedido, kMaximo);
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMaximo);
}

Falla FallaLectura(const Falla& causa, const QString& ruta)
{
    if (causa.tipo == TipoFalla::Cancelado || causa.tipo == TipoFalla::Cambiado)
        return causa;
    const QString por = causa.numero != 0 ? DescripcionError(causa.numero) : causa.descripcion;
    return {causa.tipo,
            QStringLiteral("No se pudo leer el archivo ") + ruta + QStringLiteral(": ") + por + QLatin1Char('.'),
            causa.numero};
}

Falla FallaCambiado(const QString& ruta)
{
    return Falla::de(TipoFalla::Cambiado,
                     QStringLiteral("El archivo cambió mientras se comprimía: ") + ruta
                         + QStringLiteral(". Vuelva a procesar la lista."));
}

struct DeflateParalelo::Interno {
    explicit Interno(int h) : hilos(std::max(1, h)), anillo(std::size_t(2 * hilos))
    {
        if (hilos > 1)
            for (int i = 0; i < hilos; ++i)
                trabajadores.emplace_back([this] { trabajo(); });
    }
    ~Interno()
    {
        {
            const std::lock_guard l(m);
            fin = true;
        }
        hayPieza.notify_all();
        for (std::thread& t : trabajadores)
            t.join();
    }
    void trabajo()
    {
        Compresor c;
        for (;;) {
            Pieza* p = nullptr;
            {
                std::unique_lock l(m);
                hayPieza.wait(l, [&] { return fin || !cola.empty(); });
                if (cola.empty())
                    return;
                p = cola.front();
                cola.pop_front();
            }
            const bool ok = c.comprimo(*p);
            {
                const std::lock_guard l(m);
                p->error = !ok;
                p->lista = true;
            }
            hayLista.notify_all();
        }
    }
    void encolo(Pieza& p)
    {
        {
            const std::lock_guard l(m);
            p.lista = false;
            cola.push_back(&p);
        }
        hayPieza.notify_one();
    }
    void esperoLista(Pieza& p)
    {
        std::unique_lock l(m);
        hayLista.wait(l, [&] { return p.lista; });
    }

    int hilos;
    Compresor propio; // the calling thread's: one stream, or a file of one piece
    std::vector<std::thread> trabajadores;
    std::mutex m;
    std::condition_variable hayPieza, hayLista;
    std::deque<Pieza*> cola;
    bool fin = false;
    std::vector<Pieza> anillo;
};

namespace {

// One file through the pieces: read in order, compressed anywhere, handed on in order.
class Corrida {
public:
    using Interno = DeflateParalelo::Interno;
    Corrida(Interno& d, ArchivoCrudo& e, qint64 esperado, const DeflateParalelo::Salida& s, Progreso* p)
        : d_(d),
          entrada_(e),
          esperado_(esperado),
          salida_(s),
          progreso_(p),
          piezas_(std::max<qint64>(1, (esperado + kPiezaDeflate - 1) / kPiezaDeflate)),
          paralelo_(d.hilos > 1 && piezas_ > 1)
    {}
    Resultado<ResumenDeflate> corro();

private:
    bool cancelado() const { return progreso_ && progreso_->cancelado(); }
    Estado leoPieza(Pieza& p, qint64 indice);
    Estado entregoPieza(const Pieza& p);
    Estado corroEnUnHilo();
    Estado corroEnParalelo();
    Estado nadaMas();

    Interno& d_;
    ArchivoCrudo& entrada_;
    qint64 esperado_;
    const DeflateParalelo::Salida& salida_;
    Progreso* progreso_;
    qint64 piezas_;
    bool paralelo_;
    qint64 leidos_ = 0;
    std::vector<char> ventana_;
    ResumenDeflate resumen_;
};

Estado Corrida::leoPieza(Pieza& p, qint64 indice)
{
    const qint64 n = std::min(kPiezaDeflate, esperado_ - leidos_);
    p.diccionario = paralelo_ && indice > 0 ? qint64(ventana_.size()) : 0;
    p.continua = !paralelo_ && indice > 0;
    p.ultima = indice == piezas_ - 1;
    p.entrada.resize(std::size_t(p.diccionario + n));
    if (p.diccionario > 0)
        std::memcpy(p.entrada.data(), ventana_.data(), std::size_t(p.diccionario));
    for (qint64 hecho = 0; hecho < n;) {
        const auto r = entrada_.leo(p.entrada.data() + p.diccionario + hecho, n - hecho);
        if (!r)
            return FallaLectura(r.falla(), entrada_.ruta());
        if (r.valor() == 0)
            return FallaCambiado(entrada_.ruta());
        hecho += r.valor();
    }
    leidos_ += n;
    if (paralelo_) {
        const auto guardo = std::min<qint64>(kVentana, qint64(p.entrada.size()));
        ventana_.assign(p.entrada.end() - guardo, p.entrada.end());
    }
    if (progreso_)
        progreso_->sumo(n);
    return std::nullopt;
}

Estado Corrida::entregoPieza(const Pieza& p)
{
    if (p.error)
        return Falla::otra(QStringLiteral("No hubo memoria suficiente para comprimir ") + entrada_.ruta()
                           + QLatin1Char('.'));
    resumen_.crc = quint32(crc32_combine(resumen_.crc, p.crc, z_off_t(p.propios())));
    resumen_.comprimidos += qint64(p.salida.size());
    return salida_(p.salida.data(), qint64(p.salida.size()), p.propios());
}

Estado Corrida::corroEnUnHilo()
{
    Pieza& p = d_.anillo.front();
    for (qint64 i = 0; i < piezas_; ++i) {
        if (cancelado())
            return Falla::cancelada();
        if (auto f = leoPieza(p, i))
            return f;
        p.error = !d_.propio.comprimo(p);
        if (auto f = entregoPieza(p))
            return f;
    }
    return std::nullopt;
}

Estado Corrida::corroEnParalelo()
{
    const auto lugares = qint64(d_.anillo.size());
    auto pieza = [&](qint64 i) -> Pieza& { return d_.anillo[std::size_t(i % lugares)]; };
    qint64 siguiente = 0, proximo = 0;
    Estado f;
    while (!f && proximo < piezas_) {
        while (siguiente < piezas_ && siguiente - proximo < lugares) {
            f = cancelado() ? Falla::cancelada() : leoPieza(pieza(siguiente), siguiente);
            if (f)
                break;
            d_.encolo(pieza(siguiente));
            ++siguiente;
        }
        if (f)
            break;
        d_.esperoLista(pieza(proximo));
        f = entregoPieza(pieza(proximo));
        ++proximo;
    }
    // The pieces still in work write into the ring.
    for (qint64 k = proximo; k < siguiente; ++k)
        d_.esperoLista(pieza(k));
    return f;
}

Estado Corrida::nadaMas()
{
    char uno = 0;
    const auto r = entrada_.leo(&uno, 1);
    if (!r)
        return FallaLectura(r.falla(), entrada_.ruta());
    if (r.valor() != 0)
        return FallaCambiado(entrada_.ruta());
    return std::nullopt;
}

Resultado<ResumenDeflate> Corrida::corro()
{
    Estado f = paralelo_ ? corroEnParalelo() : corroEnUnHilo();
    if (!f)
        f = nadaMas();
    if (f)
        return *f;
    return resumen_;
}

} // namespace

DeflateParalelo::DeflateParalelo(int hilos) : d_(std::make_unique<Interno>(hilos)) {}

DeflateParalelo::~DeflateParalelo() = default;

Resultado<ResumenDeflate> DeflateParalelo::comprimo(ArchivoCrudo& entrada, qint64 esperado, const Salida& salida,
                                                    Progreso* progreso)
{
    return Corrida(*d_, entrada, esperado, salida, progreso).corro();
}
