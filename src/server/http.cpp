#include "server/http.h"

#include "server/consulta.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace {

constexpr qsizetype kMaximoCabecera = 64 * 1024;

} // namespace

QString TextoConexionRechazada() { return QStringLiteral("El servidor rechazó la conexión"); }
QString TextoSinRespuesta() { return QStringLiteral("El servidor cerró la conexión antes de responder"); }
QString TextoRespuestaIncompleta()
{
    return QStringLiteral("El servidor cerró la conexión antes de terminar la respuesta: la respuesta llegó incompleta");
}
QString TextoHttpInvalido() { return QStringLiteral("La respuesta del servidor llegó cortada o con un formato HTTP inválido"); }
QString TextoServidorNoEncontrado(const QString& url)
{
    return QStringLiteral("No se encontró el servidor indicado en la dirección ") + url;
}

LectorHttp::Estado LectorHttp::fallo(const QString& texto)
{
    falla_ = texto;
    return estado_ = Estado::Falla;
}

bool LectorHttp::sumo(const QByteArray& parte)
{
    if (cuerpo_.size() + parte.size() > maximo_) {
        excedido_ = true;
        return false;
    }
    cuerpo_ += parte;
    return true;
}

// As much of the body's next piece of known length (all of it, or a chunk) as has come.
bool LectorHttp::tomoResta()
{
    const QByteArray parte = pendiente_.left(resta_);
    pendiente_.remove(0, parte.size());
    resta_ -= parte.size();
    return sumo(parte);
}

LectorHttp::Estado LectorHttp::agrego(const QByteArray& datos)
{
    if (estado_ != Estado::Leyendo)
        return estado_;
    pendiente_ += datos;
    return avanzo();
}

LectorHttp::Estado LectorHttp::cierre()
{
    if (estado_ != Estado::Leyendo)
        return estado_;
    if (parte_ == Parte::HastaCierre)
        return estado_ = Estado::Completa;
    return fallo(parte_ == Parte::Cabecera && pendiente_.isEmpty() ? TextoSinRespuesta() : TextoRespuestaIncompleta());
}

LectorHttp::Estado LectorHttp::avanzo()
{
    const QString malFormada = TextoHttpInvalido();
    for (;;) {
        switch (parte_) {
        case Parte::Cabecera: {
            const qsizetype fin = pendiente_.indexOf("\r\n\r\n");
            if (fin < 0) {
                if (pendiente_.size() > kMaximoCabecera)
                    return fallo(malFormada);
                return estado_;
            }
            const QList<QByteArray> lineas = pendiente_.left(fin).split('\n');
            pendiente_.remove(0, fin + 4);
            const QList<QByteArray> estado = lineas.first().trimmed().split(' ');
            bool ok = false;
            codigo_ = estado.size() >= 2 && estado[0].startsWith("HTTP/1.") ? estado[1].toInt(&ok) : 0;
            if (!ok || codigo_ < 100 || codigo_ > 999)
                return fallo(malFormada);
            qint64 largo = -1;
            bool trozos = false;
            for (qsizetype i = 1; i < lineas.size(); ++i) {
                const QByteArray linea = lineas[i].trimmed();
                const qsizetype dos = linea.indexOf(':');
                if (dos <= 0)
                    return fallo(malFormada);
                const QByteArray nombre = linea.left(dos).trimmed().toLower();
                const QByteArray valor = linea.mid(dos + 1).trimmed();
                if (nombre == "content-length") {
                    largo = valor.toLongLong(&ok);
                    if (!ok || largo < 0)
                        return fallo(malFormada);
                } else if (nombre == "transfer-encoding") {
                    trozos = valor.toLower().contains("chunked");
                } else if (nombre == "location") {
                    ubicacion_ = QString::fromUtf8(valor);
                }
            }
            if (codigo_ < 200) { // 1xx: the real reply follows
                codigo_ = 0;
                continue;
            }
            if (codigo_ == 204 || codigo_ == 304)
                return estado_ = Estado::Completa;
            if (trozos) {
                parte_ = Parte::TamanoTrozo;
            } else if (largo >= 0) {
                if (largo > maximo_) {
                    excedido_ = true;
                    return fallo(QString());
                }
                resta_ = largo;
                parte_ = Parte::Largo;
            } else {
                parte_ = Parte::HastaCierre;
            }
            continue;
        }
        case Parte::Largo:
            if (!tomoResta())
                return fallo(QString());
            return resta_ == 0 ? estado_ = Estado::Completa : estado_;
        case Parte::HastaCierre:
            if (!sumo(pendiente_))
                return fallo(QString());
            pendiente_.clear();
            return estado_;
        case Parte::TamanoTrozo: {
            const qsizetype fin = pendiente_.indexOf("\r\n");
            if (fin < 0)
                return pendiente_.size() > 1024 ? fallo(malFormada) : estado_;
            QByteArray tam = pendiente_.left(fin);
            pendiente_.remove(0, fin + 2);
            if (const qsizetype extension = tam.indexOf(';'); extension >= 0)
                tam.truncate(extension);
            bool ok = false;
            tam = tam.trimmed();
            resta_ = tam.size() <= 15 ? tam.toLongLong(&ok, 16) : -1;
            if (!ok || resta_ < 0)
                return fallo(malFormada);
            if (cuerpo_.size() + resta_ > maximo_) {
                excedido_ = true;
                return fallo(QString());
            }
            parte_ = resta_ == 0 ? Parte::Cola : Parte::Trozo;
            continue;
        }
        case Parte::Trozo:
            if (!tomoResta())
                return fallo(QString());
            if (resta_ > 0)
                return estado_;
            parte_ = Parte::FinTrozo;
            continue;
        case Parte::FinTrozo:
            if (pendiente_.size() < 2)
                return estado_;
            if (!pendiente_.startsWith("\r\n"))
                return fallo(malFormada);
            pendiente_.remove(0, 2);
            parte_ = Parte::TamanoTrozo;
            continue;
        case Parte::Cola: { // trailers after the last chunk, up to an empty line
            const qsizetype fin = pendiente_.indexOf("\r\n");
            if (fin < 0)
                return pendiente_.size() > kMaximoCabecera ? fallo(malFormada) : estado_;
            pendiente_.remove(0, fin + 2);
            if (fin == 0)
                return estado_ = Estado::Completa;
            continue;
        }
        }
    }
}

DescargaHttp DescargoHttp(const QUrl& inicial, int esperaMs, qint64 maximoCuerpo, const AbandonoConsulta* abandono)
{
    DescargaHttp d;
    QTimer limite;
    limite.setSingleShot(true);
    limite.start(esperaMs);
    QUrl url = inicial;
    for (int redireccion = 0; redireccion <= 5; ++redireccion) {
        QTcpSocket conexion;
        LectorHttp lector(maximoCuerpo);
        QEventLoop espera;
        QString fallaRed;
        auto corto = [&](DescargaHttp::Corte motivo) {
            if (d.corte == DescargaHttp::Corte::Ninguno)
                d.corte = motivo;
            conexion.abort();
            espera.quit();
        };
        QObject::connect(&limite, &QTimer::timeout, &espera, [&] { corto(DescargaHttp::Corte::Tiempo); });
        if (abandono)
            QObject::connect(abandono, &AbandonoConsulta::abandonada, &espera,
                             [&] { corto(DescargaHttp::Corte::Abandono); });
        QObject::connect(&conexion, &QTcpSocket::connected, &espera, [&] {
            // No cached copy anywhere on the way: each start asks the service.
            const QByteArray destino = url.path(QUrl::FullyEncoded).isEmpty() ? QByteArray("/") : url.path(QUrl::FullyEncoded).toUtf8();
            const QByteArray consulta = url.hasQuery() ? "?" + url.query(QUrl::FullyEncoded).toUtf8() : QByteArray();
            conexion.write("GET " + destino + consulta + " HTTP/1.1\r\nHost: "
                           + url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toUtf8()
                           + "\r\nCache-Control: no-cache\r\nPragma: no-cache\r\nConnection: close\r\n\r\n");
        });
        QObject::connect(&conexion, &QTcpSocket::readyRead, &espera, [&] {
            if (lector.agrego(conexion.readAll()) != LectorHttp::Estado::Leyendo)
                espera.quit();
        });
        QObject::connect(&conexion, &QTcpSocket::disconnected, &espera, [&] {
            lector.agrego(conexion.readAll());
            lector.cierre();
            espera.quit();
        });
        QObject::connect(&conexion, &QTcpSocket::errorOccurred, &espera, [&](QAbstractSocket::SocketError error) {
            if (error == QAbstractSocket::RemoteHostClosedError)
                return; // "disconnected" follows
            switch (error) {
            case QAbstractSocket::ConnectionRefusedError: fallaRed = TextoConexionRechazada(); break;
            case QAbstractSocket::HostNotFoundError:
                fallaRed = TextoServidorNoEncontrado(url.toString());
                break;
            default: fallaRed = QStringLiteral("Error de comunicación con el servidor: ") + conexion.errorString();
            }
            espera.quit();
        });
        if (abandono && abandono->fueAbandonada())
            d.corte = DescargaHttp::Corte::Abandono;
        if (d.corte != DescargaHttp::Corte::Ninguno)
            return d;
        conexion.connectToHost(url.host(), quint16(url.port(80)));
        espera.exec();
        if (d.corte != DescargaHttp::Corte::Ninguno)
            return d;
        if (!fallaRed.isEmpty() && lector.estado() == LectorHttp::Estado::Leyendo) {
            d.falla = fallaRed;
            return d;
        }
        d.excedido = lector.excedido();
        d.codigo = lector.codigo();
        if (lector.estado() != LectorHttp::Estado::Completa) {
            d.falla = lector.falla();
            return d;
        }
        const QUrl siguiente = url.resolved(QUrl(lector.ubicacion()));
        if (d.codigo >= 300 && d.codigo < 400 && !lector.ubicacion().isEmpty() && siguiente.scheme() == QLatin1String("http")) {
            url = siguiente;
            continue;
        }
        d.cuerpo = lector.cuerpo();
        return d;
    }
    d.falla = QStringLiteral("El servidor redirigió la consulta demasiadas veces");
    return d;
}
