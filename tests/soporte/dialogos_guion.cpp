#include "soporte/dialogos_guion.h"

Respuesta DialogosGuion::mensaje(QWidget*, const Mensaje& m)
{
    vistas.append({TituloVisible(m), m.texto, m.icono, m.botones, m.porDefecto});
    if (m.botones == Botones::Aceptar)
        return Respuesta::Aceptar;
    if (respuestas.empty())
        return m.porDefecto; // Enter takes the default button
    const Respuesta r = respuestas.front();
    respuestas.pop_front();
    return r;
}

QString DialogosGuion::abroArchivo(QWidget*, const QString&, const QString&, const QString&)
{
    if (archivos.empty())
        return {};
    QString r = archivos.front();
    archivos.pop_front();
    return r;
}

QStringList DialogosGuion::abroArchivos(QWidget*, const QString&, const QString&, const QString&)
{
    if (listas.empty())
        return {};
    QStringList r = listas.front();
    listas.pop_front();
    return r;
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
