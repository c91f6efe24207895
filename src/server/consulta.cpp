#include "server/consulta.h"

#include "server/http.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QXmlStreamReader>

#include <pugixml.hpp>

#include <cmath>
#include <limits>

namespace {

const QString kTituloA = QStringLiteral("Error de tipo ") + QLatin1Char('0') + QLatin1Char(' ');
const QString kTituloB = QStringLiteral("0 ");

ResultadoConsulta fallaConTitulo(const QString& titulo, const QString& texto)
{
    ResultadoConsulta r;
    r.msgError = texto;
    r.mensaje = Mensaje{titulo, texto, Icono::Critico};
    return r;
}

// The text of a node as the reply reader gives it: all its character data.
QString textoDe(const pugi::xml_node& nodo)
{
    if (nodo.type() == pugi::node_pcdata || nodo.type() == pugi::node_cdata)
        return QString::fromUtf8(nodo.value()).trimmed();
    QString texto;
    struct Junto : pugi::xml_tree_walker {
        QString* destino;
        bool for_each(pugi::xml_node& n) override
        {
            if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
                *destino += QString::fromUtf8(n.value());
            return true;
        }
    } junto;
    junto.destino = &texto;
    pugi::xml_node copia = nodo;
    copia.traverse(junto);
    return texto.trimmed();
}

QString nombreDe(const pugi::xml_node& nodo)
{
    return nodo.type() == pugi::node_element ? QString::fromUtf8(nodo.name()) : QString();
}

// Statuses 4xx and 5xx: the server did answer, and its body is read.
bool EsErrorDeEstadoHttp(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

QString descripcionRed(QNetworkReply::NetworkError error, const QString& url)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError: return TextoConexionRechazada();
    case QNetworkReply::RemoteHostClosedError: return TextoSinRespuesta();
    case QNetworkReply::HostNotFoundError: return TextoServidorNoEncontrado(url);
    case QNetworkReply::TimeoutError: return QStringLiteral("Se agotó el tiempo de espera de la conexión con el servidor");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Falló la conexión segura (TLS) con el servidor: no se pudo validar su certificado");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError: return QStringLiteral("No hay una conexión de red disponible");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError: return QStringLiteral("No se pudo conectar con el servidor proxy");
    case QNetworkReply::ProtocolFailure: return TextoHttpInvalido();
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return QStringLiteral("La dirección del servicio no es válida: ") + url;
    default: return QStringLiteral("Error de comunicación con el servidor (código %1)").arg(int(error));
    }
}

} // namespace

QString ArmoUrlConsulta(const QString& urlServicio, const QString& programa)
{
    return urlServicio + programa + QStringLiteral("&version=") + QString::number(TERV_VERSION_MAYOR)
        + QLatin1Char('.') + QString::number(TERV_VERSION_MENOR) + QStringLiteral("&release=")
        + QString::number(TERV_RELEASE);
}

std::optional<qint32> ConviertoEntero(const QString& texto, QString* motivo)
{
    static const QRegularExpression numero(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)\s*$)"));
    if (!numero.match(texto).hasMatch()) {
        *motivo = QStringLiteral("No coinciden los tipos: el tamaño recibido no es un número (") + texto + QLatin1Char(')');
        return std::nullopt;
    }
    const double valor = std::nearbyint(texto.trimmed().toDouble());
    if (valor > std::numeric_limits<qint32>::max() || valor < std::numeric_limits<qint32>::min()) {
        *motivo = QStringLiteral("Desbordamiento: el tamaño recibido (") + texto.trimmed()
            + QStringLiteral(") no cabe en un entero de 32 bits");
        return std::nullopt;
    }
    return qint32(valor);
}

ResultadoConsulta FalloConsulta(const QString& descripcion)
{
    return fallaConTitulo(kTituloB, descripcion);
}

ResultadoConsulta InterpretoRespuesta(const QByteArray& cuerpo)
{
    const QString sinConexion =
        QStringLiteral("No se pudo realizar la conexion a Internet para la Obtención de Datos.");
    pugi::xml_document doc;
    const unsigned banderas = pugi::parse_default | pugi::parse_declaration | pugi::parse_pi
        | pugi::parse_comments | pugi::parse_doctype;
    // pugixml also takes fragments (two roots, text around the root); a reply
    // that a strict reader refuses leaves the document empty.
    if (!EsXmlBienFormado(cuerpo) || !doc.load_buffer(cuerpo.constData(), size_t(cuerpo.size()), banderas))
        doc.reset();
    const pugi::xml_node primero = doc.first_child();
    if (!primero)
        return FalloConsulta(sinConexion);

    const QString raiz = nombreDe(primero);
    if (raiz == QLatin1String("respuesta")) {
        const pugi::xml_node hijo = primero.first_child();
        if (!hijo)
            return FalloConsulta(sinConexion);
        const QString texto = textoDe(hijo);
        if (texto.isEmpty())
            return fallaConTitulo(kTituloA, QStringLiteral("No se pudo obtener el Tamaño máximo."));
        QString motivo;
        const auto mb = ConviertoEntero(texto, &motivo);
        if (!mb)
            return FalloConsulta(motivo);
        if (*mb < 0)
            return FalloConsulta(QStringLiteral("El servidor informó un tamaño máximo negativo (") + texto
                                 + QStringLiteral(" MB), que no es un tamaño válido."));
        ResultadoConsulta r;
        r.exito = true;
        r.tamanoMB = *mb;
        return r;
    }
    if (raiz == QLatin1String("error")) {
        std::vector<pugi::xml_node> hijos;
        for (pugi::xml_node h = primero.first_child(); h; h = h.next_sibling())
            hijos.push_back(h);
        if (hijos.size() < 4)
            return FalloConsulta(sinConexion);
        if (nombreDe(hijos[3]) != QLatin1String("nroTransaccion"))
            return fallaConTitulo(kTituloA, QStringLiteral("No se pudo obtener el Nº de Transacción."));
        if (nombreDe(hijos[2]) != QLatin1String("mensaje"))
            return fallaConTitulo(kTituloA, QStringLiteral("No se pudo obtener el Mensaje de Error."));
        if (nombreDe(hijos[1]) != QLatin1String("tipo"))
            return fallaConTitulo(kTituloA, QStringLiteral("No se pudo obtener el Código de Error."));
        ResultadoConsulta r;
        const QString texto = textoDe(hijos[1]) == QLatin1String("DATO")
            ? textoDe(hijos[2])
            : QStringLiteral("Error Inesperado\r\nNro de transacción: ") + textoDe(hijos[3]);
        r.mensaje = Mensaje{QStringLiteral("Error"), texto, Icono::Critico};
        return r;
    }
    return fallaConTitulo(kTituloA, QStringLiteral("No se detecta Formato de XML Válido"));
}

bool EsXmlBienFormado(const QByteArray& cuerpo)
{
    QXmlStreamReader lector(cuerpo);
    bool raiz = false, tipo = false;
    while (!lector.atEnd()) {
        switch (lector.readNext()) {
        case QXmlStreamReader::StartElement: raiz = true; break;
        case QXmlStreamReader::DTD:
            // One document type, and only before the root (the reader lets a late one by).
            if (raiz || tipo)
                return false;
            tipo = true;
            break;
        default: break;
        }
    }
    return !lector.hasError();
}

namespace {

ResultadoConsulta SinRespuestaATiempo(int esperaMs)
{
    return FalloConsulta(QStringLiteral("Se agotó el tiempo de espera: el servidor no respondió en %1 segundos")
                             .arg(esperaMs / 1000.0));
}

ResultadoConsulta RespuestaExcedida()
{
    return FalloConsulta(QStringLiteral("La respuesta del servidor supera el máximo admitido de 1 MiB: "
                                        "no es una respuesta del servicio de tamaño máximo"));
}

ResultadoConsulta ConsultaAbandonada()
{
    ResultadoConsulta r;
    r.abandonada = true;
    r.msgError = QStringLiteral("Se cerró la ventana de conexión antes de obtener el tamaño máximo.");
    return r;
}

} // namespace

ResultadoConsulta ConsultoTamano(const QString& url, int esperaMs, const AbandonoConsulta* abandono)
{
    // Plain HTTP goes through our own reader, which knows where a reply ends.
    if (const QUrl destino(url); destino.scheme() == QLatin1String("http") && !destino.host().isEmpty()) {
        const DescargaHttp d = DescargoHttp(destino, esperaMs, kMaximoRespuesta, abandono);
        if (d.corte == DescargaHttp::Corte::Tiempo)
            return SinRespuestaATiempo(esperaMs);
        if (d.corte == DescargaHttp::Corte::Abandono)
            return ConsultaAbandonada();
        if (d.excedido)
            return RespuestaExcedida();
        if (!d.falla.isEmpty())
            return FalloConsulta(d.falla);
        return InterpretoRespuesta(d.cuerpo); // whatever the status, the body is read
    }
    QNetworkAccessManager red;
    QNetworkRequest pedido{QUrl(url)};
    // No cached reply is ever used or kept: each start asks the service.
    pedido.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    pedido.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply* respuesta = red.get(pedido);
    respuesta->setReadBufferSize(64 * 1024);
    QEventLoop espera;
    QTimer limite;
    limite.setSingleShot(true);
    enum class Corte { Ninguno, Tiempo, Excedido, Abandono } corte = Corte::Ninguno;
    QByteArray cuerpo;
    auto corto = [&](Corte motivo) {
        if (corte == Corte::Ninguno)
            corte = motivo;
        respuesta->abort();
    };
    QObject::connect(respuesta, &QNetworkReply::finished, &espera, &QEventLoop::quit);
    QObject::connect(&limite, &QTimer::timeout, &espera, [&] { corto(Corte::Tiempo); });
    // The body is read as it comes, and never past the cap.
    QObject::connect(respuesta, &QNetworkReply::metaDataChanged, &espera, [&] {
        bool ok = false;
        const qint64 anunciado = respuesta->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok && anunciado > kMaximoRespuesta)
            corto(Corte::Excedido);
    });
    QObject::connect(respuesta, &QNetworkReply::readyRead, &espera, [&] {
        cuerpo += respuesta->read(kMaximoRespuesta + 1 - cuerpo.size());
        if (cuerpo.size() > kMaximoRespuesta)
            corto(Corte::Excedido);
    });
    if (abandono)
        QObject::connect(abandono, &AbandonoConsulta::abandonada, &espera, [&] { corto(Corte::Abandono); });
    limite.start(esperaMs);
    if (abandono && abandono->fueAbandonada())
        corto(Corte::Abandono);
    if (!respuesta->isFinished())
        espera.exec();
    limite.stop();
    if (corte == Corte::Ninguno && respuesta->bytesAvailable() > 0) {
        cuerpo += respuesta->read(kMaximoRespuesta + 1 - cuerpo.size());
        if (cuerpo.size() > kMaximoRespuesta)
            corte = Corte::Excedido;
    }
    const QNetworkReply::NetworkError error = respuesta->error();
    const bool respondio = respuesta->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    respuesta->deleteLater();
    switch (corte) {
    case Corte::Tiempo: return SinRespuestaATiempo(esperaMs);
    case Corte::Excedido: return RespuestaExcedida();
    case Corte::Abandono: return ConsultaAbandonada();
    case Corte::Ninguno: break;
    }
    // The HTTP status is not examined: whatever body came back is read. A
    // transfer that broke off is a failure, whatever part of it arrived.
    if (error == QNetworkReply::NoError || (respondio && EsErrorDeEstadoHttp(error)))
        return InterpretoRespuesta(cuerpo);
    if (respondio && error == QNetworkReply::RemoteHostClosedError)
        return FalloConsulta(TextoRespuestaIncompleta());
    return FalloConsulta(descripcionRed(error, url));
}

ConsultaEnCurso::ConsultaEnCurso(const QString& url, int esperaMs) : url_(url)
{
    hilo_.reset(QThread::create([this, esperaMs] {
        resultado_ = ConsultoTamano(url_, esperaMs, &abandono_);
        terminada_ = true;
    }));
    connect(hilo_.get(), &QThread::finished, this, &ConsultaEnCurso::termino);
    hilo_->start();
}

ConsultaEnCurso::~ConsultaEnCurso()
{
    abandono_.abandono();
    hilo_->wait();
}

ResultadoConsulta ConsultaEnCurso::resultado()
{
    hilo_->wait();
    return resultado_;
}
