#include "soporte/dialogos_guion.h"

namespace {

// The next scripted answer, or what an unscripted box or dialog gives.
template <class T>
T Saco(std::deque<T>& cola, T sinGuion = {})
{
    if (cola.empty())
        return sinGuion;
    T r = std::move(cola.front());
    cola.pop_front();
    return r;
}

} // namespace

Respuesta DialogosGuion::mensaje(QWidget*, const Mensaje& m)
{
    vistas.append({TituloVisible(m), m.texto, m.icono, m.botones, m.porDefecto});
    if (m.botones == Botones::Aceptar)
        return Respuesta::Aceptar;
    return Saco(respuestas, m.porDefecto); // unscripted, Enter takes the default button
}

QString DialogosGuion::abroArchivo(QWidget*, const QString&, const QString&, const QString&) { return Saco(archivos); }

QStringList DialogosGuion::abroArchivos(QWidget*, const QString&, const QString&, const QString&)
{
    return Saco(listas);
}

std::optional<QString> DialogosGuion::eligoCarpeta(QWidget*, const QString& leyenda)
{
    leyendas << leyenda;
    if (carpetas.empty())
        return std::nullopt;
    const bool elige = carpetas.front().has_value();
    const QString carpeta = carpetas.front().value_or(QString());
    carpetas.pop_front();
    return elige ? std::optional<QString>(carpeta) : std::nullopt;
}

QStringList DialogosGuion::titulos() const
{
    QStringList t;
    for (const CajaVista& v : vistas)
        t << v.titulo;
    return t;
}
