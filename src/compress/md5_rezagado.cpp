#include "compress/md5_rezagado.h"

#include <algorithm>
#include <vector>

namespace {
// How far the hash may fall behind: the page cache still holds what it reads
// back. A cancel ends the writer's wait for it at the next block.
constexpr qint64 kRetraso = 256 << 20;
} // namespace

Md5Rezagado::Md5Rezagado(ArchivoCrudo& archivo, const Progreso* progreso)
    : archivo_(archivo), progreso_(progreso), hilo_([this] { trabajo(); })
{}

Md5Rezagado::~Md5Rezagado()
{
    {
        const std::lock_guard l(m_);
        parar_ = true;
    }
    cambio_.notify_all();
    if (hilo_.joinable())
        hilo_.join();
}

void Md5Rezagado::trabajo()
{
    std::vector<char> bloque(static_cast<std::size_t>(kBloque));
    for (;;) {
        qint64 desde = 0, n = 0;
        {
            std::unique_lock l(m_);
            cambio_.wait(l, [&] { return parar_ || fin_ || hecho_ < final_; });
            if (parar_ || hecho_ >= final_)
                return;
            desde = hecho_;
            n = std::min(kBloque, final_ - hecho_);
            if (marca_ > hecho_)
                n = std::min(n, marca_ - hecho_); // so that the state at the mark is seen
            ocupado_ = true;
        }
        Estado f =
            progreso_ && progreso_->cancelado() ? Falla::cancelada() : archivo_.leoExacto(bloque.data(), n, desde);
        if (!f)
            md5_.agrego(bloque.data(), std::size_t(n));
        {
            const std::lock_guard l(m_);
            ocupado_ = false;
            if (f)
                falla_ = f;
            else
                hecho_ += n;
            if (hecho_ == marca_ && !marcado_) {
                enMarca_.copio(md5_);
                marcado_ = true;
            }
        }
        cambio_.notify_all();
        if (f)
            return;
    }
}

void Md5Rezagado::avanzo(qint64 posicion)
{
    std::unique_lock l(m_);
    final_ = std::max(final_, posicion);
    cambio_.notify_all();
    cambio_.wait(l, [&] { return falla_ || final_ - hecho_ <= kRetraso; });
}

void Md5Rezagado::marco(qint64 posicion)
{
    const std::lock_guard l(m_);
    marca_ = posicion;
    // Already there, the thread has nothing to hash: its state is the mark's.
    marcado_ = hecho_ == posicion;
    if (marcado_)
        enMarca_.copio(md5_);
}

void Md5Rezagado::vuelvo()
{
    std::unique_lock l(m_);
    cambio_.wait(l, [&] { return !ocupado_; });
    if (marcado_)
        md5_.copio(enMarca_);
    hecho_ = std::min(hecho_, marca_);
    final_ = marca_;
}

Resultado<QString> Md5Rezagado::termino(qint64 largo)
{
    {
        const std::lock_guard l(m_);
        final_ = std::max(final_, largo);
        fin_ = true;
    }
    cambio_.notify_all();
    hilo_.join();
    if (falla_)
        return *falla_;
    return md5_.texto();
}
