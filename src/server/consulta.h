#pragma once
// The one request to the interchange service: the maximum publishable size.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;

// Why no size came: the operator sees it with the critical icon.
struct CausaConsulta {
    QString titulo;
    QString texto;
};

struct ResultadoConsulta {
    bool exito = false;
    qint32 tamanoMB = 0;                // valid only on success
    QString msgError;                   // failure text, empty otherwise
    std::optional<CausaConsulta> causa; // what the operator must be told, if anything
    bool abandonada = false;            // the operator closed the window: nothing to tell
};

// A reply larger than this is not the service's: reading stops there.
constexpr qint64 kMaximoRespuesta = 1024 * 1024;

// Lets the window give up a query under way on another thread, and decide
// when its time limit starts to count. Thread-safe.
class ControlConsulta {
public:
    explicit ControlConsulta(bool limiteDiferido = false) : limiteDiferido_(limiteDiferido) {}
    void abandono();
    bool fueAbandonada() const { return abandonada_; }
    // From now on the limit counts (at once, unless deferred at construction).
    void inicioLimite();
    // When the limit started; nullopt while deferred.
    std::optional<std::chrono::steady_clock::time_point> inicioDelLimite() const;
    // Called on every abandonment or start of the limit while a transfer waits.
    void despiertoCon(std::function<void()> despertar);

private:
    void despierto();
    std::atomic<bool> abandonada_ = false;
    bool limiteDiferido_;
    mutable std::mutex m_;
    std::optional<std::chrono::steady_clock::time_point> inicio_;
    std::function<void()> despertar_;
};

// Front part + program + "&version=" + major "." minor + "&release=" + revision.
QString ArmoUrlConsulta(const QString& urlServicio, const QString& programa);

// Reads the reply positionally ("respuesta" or "error").
ResultadoConsulta InterpretoRespuesta(const QByteArray& cuerpo);

// A failure of the transfer or of the conversion, told with title "0 ".
ResultadoConsulta FalloConsulta(const QString& descripcion);

// GET over http or https without any cached reply, through the proxy the
// environment names (http_proxy, https_proxy, no_proxy), following at most
// five redirections to http or https. Gives up after esperaMs (counted from
// the control's start of the limit), past kMaximoRespuesta bytes, on a cut
// transfer, or at once when the control is abandoned. Blocks the caller.
ResultadoConsulta ConsultoTamano(const QString& url, int esperaMs = 30000, ControlConsulta* control = nullptr);

// The query on a thread of its own, so that start-up goes on laying out the
// menu while the service answers. Dropping it gives the query up and waits.
class ConsultaEnCurso : public QObject {
    Q_OBJECT
public:
    // limiteDiferido: the time limit waits for inicioLimite().
    ConsultaEnCurso(const QString& url, int esperaMs, bool limiteDiferido = false);
    ~ConsultaEnCurso() override;

    const QString& url() const { return url_; }
    bool terminada() const { return terminada_; }
    void abandono() { control_.abandono(); }
    void inicioLimite() { control_.inicioLimite(); }
    // Waits for the end, if it has not come yet.
    ResultadoConsulta resultado();
signals:
    // Delivered in the thread that started the query.
    void termino();

private:
    QString url_;
    ControlConsulta control_;
    ResultadoConsulta resultado_;
    std::atomic<bool> terminada_ = false;
    std::unique_ptr<QThread> hilo_;
};

// Whether a strict XML reader takes the reply as one well-formed document.
bool EsXmlBienFormado(const QByteArray& cuerpo);

// The platform's text-to-integer conversion: blanks, sign, digits, a fraction
// rounded half to even. nullopt with the reason in *motivo.
std::optional<qint32> ConviertoEntero(const QString& texto, QString* motivo);
