#include "server/consulta.h"

#include "server/descarga.h"

#include <QRegularExpression>
#include <QThread>
#include <QXmlStreamReader>

#include <pugixml.hpp>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const QString kTituloA = QStringLiteral("Error de tipo ") + QLatin1Char('0') + QLatin1Char(' ');
const QString kTituloB = QStringLiteral("0 ");

ResultadoConsulta fallaConTitulo(const QString& titulo, const QString& texto)
{
    ResultadoConsulta r;
    r.msgError = texto;
    r.causa = CausaConsulta{titulo, texto};
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

// An element's child nodes as the reply reader counts them: comments and
// processing instructions inside the root are not nodes of the reply.
std::vector<pugi::xml_node> hijosDe(const pugi::xml_node& nodo)
{
    std::vector<pugi::xml_node> hijos;
    for (pugi::xml_node h = nodo.first_child(); h; h = h.next_sibling())
        if (h.type() != pugi::node_comment && h.type() != pugi::node_pi)
            hijos.push_back(h);
    return hijos;
}

} // namespace

QString ArmoUrlConsulta(const QString& urlServicio, const QString& programa)
{
    return urlServicio + programa + QStringLiteral("&version=") + QString::number(TERV_VERSION_MAYOR) + QLatin1Char('.')
        + QString::number(TERV_VERSION_MENOR) + QStringLiteral("&release=") + QString::number(TERV_RELEASE);
}

std::optional<qint32> ConviertoEntero(const QString& texto, QString* motivo)
{
    static const QRegularExpression numero(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)\s*$)"));
    if (!numero.match(texto).hasMatch()) {
        *motivo =
            QStringLiteral("No coinciden los tipos: el tamaño recibido no es un número (") + texto + QLatin1Char(')');
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

ResultadoConsulta FalloConsulta(const QString& descripcion) { return fallaConTitulo(kTituloB, descripcion); }

ResultadoConsulta InterpretoRespuesta(const QByteArray& cuerpo)
{
    const QString sinConexion =
        QStringLiteral("No se pudo realizar la conexion a Internet para la Obtención de Datos.");
    pugi::xml_document doc;
    const unsigned banderas =
        pugi::parse_default | pugi::parse_declaration | pugi::parse_pi | pugi::parse_comments | pugi::parse_doctype;
    // pugixml also takes fragments (two roots, text around the root); a reply
    // that a strict reader refuses leaves the document empty.
    if (!EsXmlBienFormado(cuerpo) || !doc.load_buffer(cuerpo.constData(), size_t(cuerpo.size()), banderas))
        doc.reset();
    const pugi::xml_node primero = doc.first_child();
    if (!primero)
        return FalloConsulta(sinConexion);

    const QString raiz = nombreDe(primero);
    if (raiz == QLatin1String("respuesta")) {
        const std::vector<pugi::xml_node> hijos = hijosDe(primero);
        if (hijos.empty())
            return FalloConsulta(sinConexion);
        const QString texto = textoDe(hijos.front());
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
        const std::vector<pugi::xml_node> hijos = hijosDe(primero);
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
        r.causa = CausaConsulta{QStringLiteral("Error"), texto};
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
    return FalloConsulta(
        QStringLiteral("Se agotó el tiempo de espera: el servidor no respondió en %1 segundos").arg(esperaMs / 1000.0));
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

void ControlConsulta::abandono()
{
    abandonada_ = true;
    despierto();
}

void ControlConsulta::inicioLimite()
{
    {
        std::lock_guard<std::mutex> l(m_);
        if (!inicio_)
            inicio_ = std::chrono::steady_clock::now();
    }
    despierto();
}

std::optional<std::chrono::steady_clock::time_point> ControlConsulta::inicioDelLimite() const
{
    std::lock_guard<std::mutex> l(m_);
    return inicio_;
}

void ControlConsulta::despiertoCon(std::function<void()> despertar)
{
    std::lock_guard<std::mutex> l(m_);
    despertar_ = std::move(despertar);
    if (despertar_ && !limiteDiferido_ && !inicio_)
        inicio_ = std::chrono::steady_clock::now();
}

void ControlConsulta::despierto()
{
    std::lock_guard<std::mutex> l(m_);
    if (despertar_)
        despertar_();
}

ResultadoConsulta ConsultoTamano(const QString& url, int esperaMs, ControlConsulta* control)
{
    ControlConsulta propio;
    const Descarga d = DescargoUrl(url, esperaMs, kMaximoRespuesta, control ? *control : propio);
    switch (d.corte) {
    case Descarga::Corte::Tiempo: return SinRespuestaATiempo(esperaMs);
    case Descarga::Corte::Excedido: return RespuestaExcedida();
    case Descarga::Corte::Abandono: return ConsultaAbandonada();
    case Descarga::Corte::Ninguno: break;
    }
    if (!d.falla.isEmpty())
        return FalloConsulta(d.falla);
    return InterpretoRespuesta(d.cuerpo); // whatever the status, the body is read
}

ConsultaEnCurso::ConsultaEnCurso(const QString& url, int esperaMs, bool limiteDiferido)
    : url_(url), control_(limiteDiferido)
{
    hilo_.reset(QThread::create([this, esperaMs] {
        resultado_ = ConsultoTamano(url_, esperaMs, &control_);
        terminada_ = true;
    }));
    connect(hilo_.get(), &QThread::finished, this, &ConsultaEnCurso::termino);
    hilo_->start();
}

ConsultaEnCurso::~ConsultaEnCurso()
{
    control_.abandono();
    hilo_->wait();
}

ResultadoConsulta ConsultaEnCurso::resultado()
{
    hilo_->wait();
    return resultado_;
}
