#pragma once
// The one request to the interchange service: the maximum publishable size.
#include "system/pantallas/dialogos.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

class QThread;

struct ResultadoConsulta {
    bool exito = false;
    qint32 tamanoMB = 0;             // valid only on success
    QString msgError;                // failure text, empty otherwise
    std::optional<Mensaje> mensaje;  // the box the operator must see, if any
    bool abandonada = false;         // the operator closed the window: no box
};

// A reply larger than this is not the service's: reading stops there.
constexpr qint64 kMaximoRespuesta = 1024 * 1024;

// Lets the window give up a query under way, also one on another thread.
class AbandonoConsulta : public QObject {
    Q_OBJECT
public:
    void abandono()
    {
        abandonada_ = true;
        emit abandonada();
    }
    bool fueAbandonada() const { return abandonada_; }
signals:
    void abandonada();
private:
    std::atomic<bool> abandonada_ = false;
};

// Front part + program + "&version=" + major "." minor + "&release=" + revision.
QString ArmoUrlConsulta(const QString& urlServicio, const QString& programa);

// Reads the reply positionally ("respuesta" or "error").
ResultadoConsulta InterpretoRespuesta(const QByteArray& cuerpo);

// A failure of the HTTP layer or of the conversion, shown with title "0 ".
ResultadoConsulta FalloConsulta(const QString& descripcion);

// GET without any cached reply, processing events while it waits; gives up
// after esperaMs with a Spanish time-out description, past kMaximoRespuesta
// bytes, or at once when the abandonment is signalled.
ResultadoConsulta ConsultoTamano(const QString& url, int esperaMs = 30000,
                                 const AbandonoConsulta* abandono = nullptr);

// The query on a thread of its own, so that start-up goes on laying out the
// menu while the service answers. Dropping it gives the query up and waits.
class ConsultaEnCurso : public QObject {
    Q_OBJECT
public:
    ConsultaEnCurso(const QString& url, int esperaMs);
    ~ConsultaEnCurso() override;

    const QString& url() const { return url_; }
    bool terminada() const { return terminada_; }
    void abandono() { abandono_.abandono(); }
    // Waits for the end, if it has not come yet.
    ResultadoConsulta resultado();
signals:
    // Delivered in the thread that started the query.
    void termino();

private:
    QString url_;
    AbandonoConsulta abandono_;
    ResultadoConsulta resultado_;
    std::atomic<bool> terminada_ = false;
    std::unique_ptr<QThread> hilo_;
};

// Whether a strict XML reader takes the reply as one well-formed document.
bool EsXmlBienFormado(const QByteArray& cuerpo);

// The platform's text-to-integer conversion: blanks, sign, digits, a fraction
// rounded half to even. nullopt with the reason in *motivo.
std::optional<qint32> ConviertoEntero(const QString& texto, QString* motivo);
