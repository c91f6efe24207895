// A small size service on loopback for the demo and the tests. It answers
// every GET with the reply shape chosen by --modo, and prints the port it
// listens on as "ESCUCHANDO <puerto>".
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>

namespace {

struct Respuesta {
    int estado = 200;
    QByteArray tipo = "text/xml; charset=utf-8";
    QByteArray cuerpo;
    enum class Envio { Completo, Corto, ChunkSinFin, Anuncio8GB, SinLargo } envio = Envio::Completo;
};

Respuesta armo(const QString& modo, const QString& tamano)
{
    Respuesta r;
    const QByteArray t = tamano.toUtf8();
    if (modo == QLatin1String("respuesta") || modo == QLatin1String("lento"))
        r.cuerpo = "<respuesta><tamano>" + t + "</tamano></respuesta>";
    else if (modo == QLatin1String("texto"))
        r.cuerpo = "<respuesta>" + t + "</respuesta>";
    else if (modo == QLatin1String("vacio"))
        r.cuerpo = "<respuesta><tamano></tamano></respuesta>";
    else if (modo == QLatin1String("sinhijos"))
        r.cuerpo = "<respuesta/>";
    else if (modo == QLatin1String("dato"))
        r.cuerpo = "<error><codigo>1</codigo><tipo>DATO</tipo><mensaje>La versión del utilitario no está "
                   "habilitada</mensaje><nroTransaccion>4711</nroTransaccion></error>";
    else if (modo == QLatin1String("inesperado"))
        r.cuerpo = "<error><codigo>1</codigo><tipo>SISTEMA</tipo><mensaje>falla interna</mensaje>"
                   "<nroTransaccion>4711</nroTransaccion></error>";
    else if (modo == QLatin1String("sintransaccion"))
        r.cuerpo =
            "<error><codigo>1</codigo><mensaje>m</mensaje><nroTransaccion>1</nroTransaccion><tipo>DATO</tipo></error>";
    else if (modo == QLatin1String("sinmensaje"))
        r.cuerpo = "<error><codigo>1</codigo><tipo>DATO</tipo><otro>m</otro><nroTransaccion>1</nroTransaccion></error>";
    else if (modo == QLatin1String("sintipo"))
        r.cuerpo =
            "<error><codigo>1</codigo><clase>DATO</clase><mensaje>m</mensaje><nroTransaccion>1</nroTransaccion></error>";
    else if (modo == QLatin1String("trehijos"))
        r.cuerpo = "<error><codigo>1</codigo><tipo>DATO</tipo><mensaje>m</mensaje></error>";
    else if (modo == QLatin1String("declaracion"))
        r.cuerpo = "<?xml version=\"1.0\"?><respuesta>" + t + "</respuesta>";
    else if (modo == QLatin1String("otro"))
        r.cuerpo = "<resultado>" + t + "</resultado>";
    // Replies that are not well-formed, each in its own way.
    else if (modo == QLatin1String("dosraices"))
        r.cuerpo = "<respuesta>" + t + "</respuesta><respuesta>30</respuesta>";
    else if (modo == QLatin1String("textodespues"))
        r.cuerpo = "<respuesta>" + t + "</respuesta>basura";
    else if (modo == QLatin1String("textoantes"))
        r.cuerpo = "basura<respuesta>" + t + "</respuesta>";
    else if (modo == QLatin1String("doctypedespues"))
        r.cuerpo = "<respuesta>" + t + "</respuesta><!DOCTYPE respuesta>";
    else if (modo == QLatin1String("nul"))
        r.cuerpo = "<respuesta>" + t + "</respuesta>" + QByteArray(1, '\0') + "basura<x>";
    // Transfers that break off or never end.
    else if (modo == QLatin1String("corto")) {
        r.cuerpo = "<respuesta>" + t + "</respuesta>";
        r.envio = Respuesta::Envio::Corto;
    } else if (modo == QLatin1String("chunkcorto")) {
        r.cuerpo = "<respuesta>" + t + "</respuesta>";
        r.envio = Respuesta::Envio::ChunkSinFin;
    } else if (modo == QLatin1String("enorme")) {
        r.envio = Respuesta::Envio::Anuncio8GB;
    } else if (modo == QLatin1String("enormesinlargo")) {
        r.envio = Respuesta::Envio::SinLargo;
    } else if (modo == QLatin1String("mensajelargo")) {
        QByteArray largo;
        for (int i = 0; largo.size() < 1000000; ++i)
            largo += "palabra" + QByteArray::number(i % 10) + ' ';
        r.cuerpo = "<error><codigo>1</codigo><tipo>DATO</tipo><mensaje>" + largo.left(1000000)
            + "</mensaje><nroTransaccion>4711</nroTransaccion></error>";
    } else if (modo == QLatin1String("html")) {
        r.estado = 500;
        r.tipo = "text/html";
        r.cuerpo = "<html><head><title>Error</title></head><body><p>Falla<br></p></body></html>";
    } else if (modo == QLatin1String("htmlxml")) {
        r.estado = 404;
        r.tipo = "text/html";
        r.cuerpo = "<html><body><p>No encontrado</p></body></html>";
    } else {
        r.estado = 400;
        r.cuerpo = "<error>modo desconocido</error>";
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser opciones;
    opciones.setApplicationDescription(QStringLiteral("Servicio de tamaño máximo de demostración"));
    opciones.addHelpOption();
    opciones.addOption(
        {QStringLiteral("puerto"), QStringLiteral("Puerto (0: uno libre)"), QStringLiteral("n"), QStringLiteral("0")});
    opciones.addOption(
        {QStringLiteral("tamano"), QStringLiteral("Tamaño en MB"), QStringLiteral("mb"), QStringLiteral("20")});
    opciones.addOption(
        {QStringLiteral("modo"),
         QStringLiteral("respuesta, texto, vacio, sinhijos, dato, inesperado, sintransaccion, "
                        "sinmensaje, sintipo, trehijos, declaracion, otro, html, htmlxml, lento, dosraices, "
                        "textodespues, textoantes, doctypedespues, nul, corto, chunkcorto, enorme, "
                        "enormesinlargo, mensajelargo, redirige"),
         QStringLiteral("modo"), QStringLiteral("respuesta")});
    opciones.process(app);
    const QString modo = opciones.value(QStringLiteral("modo"));
    const QString tamano = opciones.value(QStringLiteral("tamano"));

    QTcpServer servidor;
    if (!servidor.listen(QHostAddress::LocalHost, quint16(opciones.value(QStringLiteral("puerto")).toUInt()))) {
        QTextStream(stderr) << "No se pudo escuchar: " << servidor.errorString() << '\n';
        return 1;
    }
    QObject::connect(&servidor, &QTcpServer::newConnection, &servidor, [&] {
        while (QTcpSocket* s = servidor.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            QObject::connect(s, &QTcpSocket::readyRead, s, [s, modo, tamano] {
                if (!s->property("pedido").toByteArray().isEmpty() || !s->canReadLine())
                    return;
                const QByteArray linea = s->readLine();
                s->setProperty("pedido", linea);
                QTextStream(stdout) << "PEDIDO " << linea.trimmed() << Qt::endl;
                Respuesta r = armo(modo == QLatin1String("redirige") ? QStringLiteral("respuesta") : modo, tamano);
                // The service moved: the first request is sent on elsewhere.
                if (modo == QLatin1String("redirige") && !linea.contains("/redirigido")) {
                    r.estado = 302;
                    r.cuerpo.clear();
                    r.tipo = "text/plain\r\nLocation: /redirigido" + linea.mid(linea.indexOf('?')).split(' ').first();
                }
                auto envio = [s, r] {
                    QByteArray http = "HTTP/1.1 " + QByteArray::number(r.estado) + " X\r\nContent-Type: " + r.tipo
                        + "\r\nCache-Control: max-age=3600\r\nConnection: close\r\n";
                    using E = Respuesta::Envio;
                    switch (r.envio) {
                    case E::Completo:
                        http += "Content-Length: " + QByteArray::number(r.cuerpo.size()) + "\r\n\r\n" + r.cuerpo;
                        break;
                    case E::Corto: // announces more than it sends
                        http += "Content-Length: " + QByteArray::number(r.cuerpo.size() + 100) + "\r\n\r\n" + r.cuerpo;
                        break;
                    case E::ChunkSinFin: // no last chunk
                        http += "Transfer-Encoding: chunked\r\n\r\n" + QByteArray::number(r.cuerpo.size(), 16) + "\r\n"
                            + r.cuerpo + "\r\n";
                        break;
                    case E::Anuncio8GB:
                        http += "Content-Length: 8589934592\r\n\r\n" + QByteArray(4 * 1024 * 1024, 'x');
                        break;
                    case E::SinLargo: // the end is the connection's end
                        http += "\r\n<respuesta>" + QByteArray(4 * 1024 * 1024, ' ');
                        break;
                    }
                    s->write(http);
                    s->disconnectFromHost();
                };
                if (modo == QLatin1String("lento"))
                    QTimer::singleShot(60000, s, envio);
                else
                    envio();
            });
        }
    });
    QTextStream(stdout) << "ESCUCHANDO " << servidor.serverPort() << Qt::endl;
    return app.exec();
}
