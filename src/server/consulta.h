#pragma once
// The one request to the interchange service: the maximum publishable size.
#include "system/pantallas/dialogos.h"

#include <QByteArray>
#include <QString>
#include <optional>

struct ResultadoConsulta {
    bool exito = false;
    qint32 tamanoMB = 0;             // valid only on success
    QString msgError;                // failure text, empty otherwise
    std::optional<Mensaje> mensaje;  // the box the operator must see, if any
};

// Front part + program + "&version=" + major "." minor + "&release=" + revision.
QString ArmoUrlConsulta(const QString& urlServicio, const QString& programa);

// Reads the reply positionally ("respuesta" or "error").
ResultadoConsulta InterpretoRespuesta(const QByteArray& cuerpo);

// A failure of the HTTP layer or of the conversion, shown with title "0 ".
ResultadoConsulta FalloConsulta(const QString& descripcion);

// GET without any cached reply, processing events while it waits; gives up
// after esperaMs with a Spanish time-out description.
ResultadoConsulta ConsultoTamano(const QString& url, int esperaMs = 30000);

// The platform's text-to-integer conversion: blanks, sign, digits, a fraction
// rounded half to even. nullopt with the reason in *motivo.
std::optional<qint32> ConviertoEntero(const QString& texto, QString* motivo);
