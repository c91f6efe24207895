#include "hash/motor_hash.h"

#include "system/archivos.h"

#include <openssl/evp.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct Md5::Contexto {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Contexto() { EVP_MD_CTX_free(ctx); }
};

Md5::Md5() : e_(std::make_unique<Contexto>()) { EVP_DigestInit_ex(e_->ctx, EVP_md5(), nullptr); }

Md5::~Md5() = default;

void Md5::agrego(const char* datos, std::size_t n) { EVP_DigestUpdate(e_->ctx, datos, n); }

void Md5::copio(const Md5& otro) { EVP_MD_CTX_copy_ex(e_->ctx, otro.e_->ctx); }

QString Md5::texto()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int largo = 0;
    EVP_DigestFinal_ex(e_->ctx, digest, &largo);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(largo)).toHex().toUpper());
}

namespace {

// A reader thread fills a small ring of blocks while this thread hashes.
class LecturaSolapada {
public:
    static constexpr int kCantidad = 4;

    explicit LecturaSolapada(ArchivoCrudo& archivo, const Progreso* progreso)
        : archivo_(archivo), progreso_(progreso), bloques_(kCantidad, std::vector<char>(size_t(kBloque)))
    {
        lector_ = std::thread([this] { leo(); });
    }
    ~LecturaSolapada()
    {
        {
            std::lock_guard l(m_);
            fin_ = true;
        }
        cv_.notify_all();
        lector_.join();
    }

    // Next block; largo 0 at the end; a failure stops everything.
    bool siguiente(const char*& datos, qint64& largo, Estado& falla)
    {
        std::unique_lock l(m_);
        if (consumidos_ > 0) { // the previous block is free again
            --llenos_;
            cv_.notify_all();
        }
        cv_.wait(l, [this] { return llenos_ > 0 || terminado_; });
        if (llenos_ == 0) {
            falla = falla_;
            largo = 0;
            return !falla_.has_value();
        }
        const int i = consumidos_ % kCantidad;
        ++consumidos_;
        datos = bloques_[size_t(i)].data();
        largo = largos_[i];
        return true;
    }

private:
    void leo()
    {
        for (int n = 0;; ++n) {
            {
                std::unique_lock l(m_);
                cv_.wait(l, [this] { return llenos_ < kCantidad - 1 || fin_; });
                if (fin_)
                    return;
            }
            const int i = n % kCantidad;
            Estado falla;
            qint64 largo = 0;
            if (progreso_ && progreso_->cancelado()) {
                falla = Falla::cancelada();
            } else {
                auto r = archivo_.leo(bloques_[size_t(i)].data(), kBloque);
                if (r)
                    largo = r.valor();
                else
                    falla = r.falla();
            }
            std::lock_guard l(m_);
            if (falla || largo == 0) {
                falla_ = falla;
                terminado_ = true;
                cv_.notify_all();
                return;
            }
            largos_[i] = largo;
            ++llenos_;
            cv_.notify_all();
        }
    }

    ArchivoCrudo& archivo_;
    const Progreso* progreso_;
    std::vector<std::vector<char>> bloques_;
    qint64 largos_[kCantidad] = {};
    std::mutex m_;
    std::condition_variable cv_;
    int llenos_ = 0;
    int consumidos_ = 0;
    bool terminado_ = false;
    bool fin_ = false;
    Estado falla_;
    std::thread lector_;
};

// Small files: one reused buffer on the calling thread beats starting a
// reader thread and its ring for every file (a folder of many files).
constexpr qint64 kSinSolapar = 8 * kBloque;

Estado hashDirecto(ArchivoCrudo& archivo, Md5& md5, Progreso* progreso)
{
    thread_local std::vector<char> bloque(static_cast<size_t>(kBloque));
    for (;;) {
        if (progreso && progreso->cancelado())
            return Falla::cancelada();
        auto r = archivo.leo(bloque.data(), kBloque);
        if (!r)
            return r.falla();
        if (r.valor() == 0)
            return {};
        md5.agrego(bloque.data(), size_t(r.valor()));
        if (progreso)
            progreso->sumo(r.valor());
    }
}

} // namespace

Resultado<QString> CalculoHash(const QString& ruta, Progreso* progreso)
{
    auto archivo = ArchivoCrudo::abro(ruta, ArchivoCrudo::Modo::Lectura);
    if (!archivo)
        return archivo.falla();
    auto hash = CalculoHash(archivo.valor(), progreso);
    if (!hash)
        return hash;
    if (auto f = archivo.valor().cierro())
        return *f;
    return hash;
}

Resultado<QString> CalculoHash(ArchivoCrudo& archivo, Progreso* progreso)
{
    archivo.avisoLecturaSecuencial();
    Md5 md5;
    if (const auto tamano = archivo.tamano(); tamano && tamano.valor() <= kSinSolapar) {
        if (auto f = hashDirecto(archivo, md5, progreso))
            return *f;
    } else {
        LecturaSolapada lectura(archivo, progreso);
        const char* datos = nullptr;
        qint64 largo = 0;
        Estado falla;
        while (lectura.siguiente(datos, largo, falla) && largo > 0) {
            md5.agrego(datos, size_t(largo));
            if (progreso)
                progreso->sumo(largo);
        }
        if (falla)
            return *falla;
    }
    return md5.texto();
}

bool ContieneHash(const QString& ruta, qint64 tamano, const QString& hash)
{
    auto archivo = ArchivoCrudo::abro(ruta, ArchivoCrudo::Modo::Lectura);
    if (!archivo || archivo.valor().tamano().valor_o(-1) != tamano)
        return false;
    const auto calculado = CalculoHash(archivo.valor());
    return calculado && calculado.valor().compare(hash, Qt::CaseInsensitive) == 0;
}
