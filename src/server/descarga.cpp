#include "server/descarga.h"

#include "server/consulta.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace {

struct Escritura {
    QByteArray cuerpo;
    qint64 maximo = 0;
    bool excedido = false;
};

size_t escribo(char* datos, size_t, size_t n, void* destino)
{
    auto* e = static_cast<Escritura*>(destino);
    if (e->cuerpo.size() + qint64(n) > e->maximo) {
        e->excedido = true;
        return 0; // the transfer stops here
    }
    e->cuerpo.append(datos, qsizetype(n));
    return n;
}

int avance(void* control, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const ControlConsulta*>(control)->fueAbandonada() ? 1 : 0;
}

bool EsDireccionWeb(const QString& url)
{
    return url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QString describo(CURLcode codigo, const QString& url, bool redirigida, const char* detalle)
{
    const QString mas = QString::fromUtf8(*detalle ? detalle : curl_easy_strerror(codigo));
    switch (codigo) {
    case CURLE_COULDNT_CONNECT: return QStringLiteral("El servidor rechazó la conexión");
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("No se encontró el servidor indicado en la dirección ") + url;
    case CURLE_COULDNT_RESOLVE_PROXY: return QStringLiteral("No se pudo conectar con el servidor proxy: ") + mas;
    case CURLE_GOT_NOTHING: return QStringLiteral("El servidor cerró la conexión antes de responder");
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
        return QStringLiteral(
            "El servidor cerró la conexión antes de terminar la respuesta: la respuesta llegó incompleta");
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
        return QStringLiteral("La respuesta del servidor llegó cortada o con un formato HTTP inválido");
    case CURLE_TOO_MANY_REDIRECTS: return QStringLiteral("El servidor redirigió la consulta demasiadas veces");
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return redirigida ? QStringLiteral("El servidor redirigió la consulta a una dirección que no es http ni https")
                          : QStringLiteral("La dirección del servicio no es válida: ") + url;
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("Falló la conexión segura (TLS) con el servidor: no se pudo validar su certificado");
    case CURLE_SSL_CONNECT_ERROR: return QStringLiteral("Falló la conexión segura (TLS) con el servidor: ") + mas;
    default: return QStringLiteral("Error de comunicación con el servidor: ") + mas;
    }
}

template <typename T>
void pongo(CURL* pedido, CURLoption opcion, T valor)
{
    curl_easy_setopt(pedido, opcion, valor);
}

} // namespace

Descarga DescargoUrl(const QString& url, int esperaMs, qint64 maximoCuerpo, ControlConsulta& control)
{
    static std::once_flag iniciada;
    std::call_once(iniciada, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    Descarga d;
    if (!EsDireccionWeb(url)) {
        d.falla = QStringLiteral("La dirección del servicio no es válida: ") + url;
        return d;
    }
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> pedido(curl_easy_init(), curl_easy_cleanup);
    const std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(), curl_multi_cleanup);
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> cabeceras(
        curl_slist_append(curl_slist_append(nullptr, "Cache-Control: no-cache"), "Pragma: no-cache"),
        curl_slist_free_all);
    const QByteArray direccion = url.toUtf8();
    char detalle[CURL_ERROR_SIZE] = {};
    Escritura escrito;
    escrito.maximo = maximoCuerpo;
    CURL* p = pedido.get();
    pongo(p, CURLOPT_URL, direccion.constData());
    // No cached copy anywhere on the way: each start asks the service.
    pongo(p, CURLOPT_HTTPHEADER, cabeceras.get());
    pongo(p, CURLOPT_PROTOCOLS_STR, "http,https");
    pongo(p, CURLOPT_FOLLOWLOCATION, 1L);
    pongo(p, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    pongo(p, CURLOPT_MAXREDIRS, 5L);
    pongo(p, CURLOPT_NOSIGNAL, 1L);
    pongo(p, CURLOPT_ERRORBUFFER, detalle);
    pongo(p, CURLOPT_WRITEFUNCTION, escribo);
    pongo(p, CURLOPT_WRITEDATA, &escrito);
    pongo(p, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maximoCuerpo));
    pongo(p, CURLOPT_NOPROGRESS, 0L);
    pongo(p, CURLOPT_XFERINFOFUNCTION, avance);
    pongo(p, CURLOPT_XFERINFODATA, &control);
    // The certificates OpenSSL programs trust when these name others.
    if (const QByteArray archivo = qgetenv("SSL_CERT_FILE"); !archivo.isEmpty())
        pongo(p, CURLOPT_CAINFO, archivo.constData());
    if (const QByteArray carpeta = qgetenv("SSL_CERT_DIR"); !carpeta.isEmpty())
        pongo(p, CURLOPT_CAPATH, carpeta.constData());
    curl_multi_add_handle(multi.get(), p);

    control.despiertoCon([m = multi.get()] { curl_multi_wakeup(m); });
    const auto limite = std::chrono::milliseconds(esperaMs);
    for (;;) {
        int activos = 0;
        curl_multi_perform(multi.get(), &activos);
        if (activos == 0)
            break;
        if (control.fueAbandonada()) {
            d.corte = Descarga::Corte::Abandono;
            break;
        }
        // Until the limit starts, wake up now and then to look again.
        int esperoMs = 1000;
        if (const auto inicio = control.inicioDelLimite()) {
            const auto resta = limite - (std::chrono::steady_clock::now() - *inicio);
            if (resta <= resta.zero()) {
                d.corte = Descarga::Corte::Tiempo;
                break;
            }
            esperoMs = int(std::min<long long>(esperoMs, std::chrono::ceil<std::chrono::milliseconds>(resta).count()));
        }
        curl_multi_poll(multi.get(), nullptr, 0, esperoMs, nullptr);
    }
    control.despiertoCon({});
    CURLcode codigo = CURLE_OK;
    int quedan = 0;
    while (const CURLMsg* m = curl_multi_info_read(multi.get(), &quedan))
        if (m->msg == CURLMSG_DONE)
            codigo = m->data.result;
    curl_multi_remove_handle(multi.get(), p);
    if (d.corte != Descarga::Corte::Ninguno)
        return d;
    if (codigo == CURLE_ABORTED_BY_CALLBACK) {
        d.corte = Descarga::Corte::Abandono;
    } else if (escrito.excedido || codigo == CURLE_FILESIZE_EXCEEDED) {
        d.corte = Descarga::Corte::Excedido;
    } else if (codigo != CURLE_OK) {
        // A redirection refused leaves its own status as the last one seen.
        long estado = 0;
        curl_easy_getinfo(p, CURLINFO_RESPONSE_CODE, &estado);
        d.falla = describo(codigo, url, estado >= 300 && estado < 400, detalle);
    } else {
        d.cuerpo = std::move(escrito.cuerpo);
    }
    return d;
}
