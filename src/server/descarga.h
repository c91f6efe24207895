#pragma once
// One GET through libcurl, for the size query: the body, or why none came.
#include <QByteArray>
#include <QString>

class ControlConsulta;

struct Descarga {
    enum class Corte { Ninguno, Tiempo, Abandono, Excedido } corte = Corte::Ninguno;
    QByteArray cuerpo; // the whole body, whatever the status
    QString falla;     // Spanish, empty on a complete transfer
};

// The control decides when the limit of esperaMs starts and can give the
// transfer up at once from another thread.
Descarga DescargoUrl(const QString& url, int esperaMs, qint64 maximoCuerpo, ControlConsulta& control);
