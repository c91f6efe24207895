#pragma once
// A plain HTTP/1.1 GET for the size query. Qt's own HTTP layer sometimes takes
// a chunked reply cut before its last chunk as complete; this reader knows
// where every reply ends, and never holds more than a cap of body.
#include <QByteArray>
#include <QString>

class AbandonoConsulta;
class QUrl;

// Failures told alike whichever way the query went (this reader or Qt's).
QString TextoConexionRechazada();
QString TextoSinRespuesta();
QString TextoRespuestaIncompleta();
QString TextoHttpInvalido();
QString TextoServidorNoEncontrado(const QString& url);

// Reads one reply from the bytes as they arrive.
class LectorHttp {
public:
    enum class Estado { Leyendo, Completa, Falla };
    explicit LectorHttp(qint64 maximoCuerpo) : maximo_(maximoCuerpo) {}
    Estado agrego(const QByteArray& datos);
    Estado cierre(); // the server closed the connection
    Estado estado() const { return estado_; }
    int codigo() const { return codigo_; }
    const QByteArray& cuerpo() const { return cuerpo_; }
    QString ubicacion() const { return ubicacion_; } // Location of a redirection
    const QString& falla() const { return falla_; }
    bool excedido() const { return excedido_; }

private:
    enum class Parte { Cabecera, Largo, TamanoTrozo, Trozo, FinTrozo, Cola, HastaCierre };
    Estado avanzo();
    Estado fallo(const QString& texto);
    bool sumo(const QByteArray& parte);
    bool tomoResta();
    Parte parte_ = Parte::Cabecera;
    Estado estado_ = Estado::Leyendo;
    QByteArray pendiente_, cuerpo_;
    qint64 resta_ = 0;
    qint64 maximo_;
    int codigo_ = 0;
    QString ubicacion_, falla_;
    bool excedido_ = false;
};

struct DescargaHttp {
    enum class Corte { Ninguno, Tiempo, Abandono } corte = Corte::Ninguno;
    bool excedido = false;
    int codigo = 0;
    QByteArray cuerpo;
    QString falla; // Spanish, empty on a complete reply
};

// GET of an http:// URL, following up to five redirections to other http://
// URLs; gives up after esperaMs or when "abandono" emits abandonada().
DescargaHttp DescargoHttp(const QUrl& url, int esperaMs, qint64 maximoCuerpo, const AbandonoConsulta* abandono);
