#include "app/instance/instancia.h"

#include "hash/nombre_hash.h"
#include "join/union.h"
#include "system/archivos.h"
#include "system/plataforma.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QUrl>

#include <unistd.h>

namespace {

constexpr quint32 kVersionCanal = 1;
constexpr int kEsperaMs = 5000;

QByteArray Empaqueto(const Pedido& p)
{
    QByteArray datos;
    QDataStream s(&datos, QIODevice::WriteOnly);
    s << kVersionCanal << quint32(p.como) << p.rutas;
    return datos;
}

} // namespace

Pedido LeoArgumentos(const QStringList& argumentos, const QString& carpetaActual)
{
    Pedido p;
    bool opciones = true;
    const QDir actual(carpetaActual);
    for (const QString& a : argumentos) {
        if (opciones && a == QLatin1String("--")) {
            opciones = false;
        } else if (opciones && a == QLatin1String("--sellar")) {
            p.como = Apertura::Sellar;
        } else if (opciones && a == QLatin1String("--comprobar")) {
            p.como = Apertura::Comprobar;
        } else if (opciones && a == QLatin1String("--unir")) {
            p.como = Apertura::Unir;
        } else if (opciones && a == QLatin1String("--comprimir")) {
            p.como = Apertura::Comprimir;
        } else if (!a.isEmpty()) {
            // A file manager may pass file:// addresses.
            const QString ruta = a.startsWith(QLatin1String("file://")) ? QUrl(a).toLocalFile() : a;
            p.rutas << QDir::cleanPath(actual.absoluteFilePath(ruta));
        }
    }
    return p;
}

Apertura ElijoPantalla(const Pedido& p)
{
    if (p.como != Apertura::Segun || p.rutas.isEmpty())
        return p.como;
    const QString primero = NombreDeRuta(p.rutas.first());
    if (AnalizoNombreParticion(primero))
        return Apertura::Unir;
    if (p.rutas.size() == 1) {
        const auto h = ObtengoHashString(primero);
        if (h && h->menError.isEmpty())
            return Apertura::Comprobar;
    }
    return Apertura::Comprimir;
}

Instancia::Instancia(QString canal, QObject* padre) : QObject(padre), canal_(std::move(canal)) {}

Instancia::~Instancia()
{
    if (servidor_)
        servidor_->close(); // removes the socket file
}

QString Instancia::CanalUsuario()
{
    QString carpeta = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (carpeta.isEmpty())
        carpeta = QDir::tempPath();
    // Per user and per copy: a portable or build copy, with its own TERV.ini,
    // does not hand its files to the installed one.
    const QByteArray copia = QCryptographicHash::hash(CarpetaAplicacion().toUtf8(), QCryptographicHash::Md5);
    return carpeta + QStringLiteral("/terv-") + QString::number(::getuid()) + QLatin1Char('-')
        + QString::fromLatin1(copia.toHex().left(8)) + QStringLiteral(".socket");
}

bool Instancia::entrego(const Pedido& pedido)
{
    QLocalSocket s;
    s.connectToServer(canal_);
    if (!s.waitForConnected(kEsperaMs))
        return false;
    s.write(Empaqueto(pedido));
    s.waitForBytesWritten(kEsperaMs);
    // Once written, the request waits in the socket even while the running
    // copy is busy: it is delivered. The answer only says it was read.
    s.waitForReadyRead(kEsperaMs);
    return true;
}

bool Instancia::entregoOEscucho(const Pedido& pedido)
{
    // Two copies started at once must not both decide to be the running one.
    QLockFile cerrojo(canal_ + QStringLiteral(".lock"));
    cerrojo.setStaleLockTime(kEsperaMs);
    const bool decido = cerrojo.tryLock(2 * kEsperaMs);
    if (entrego(pedido))
        return true;
    // Another copy is still deciding: its channel is never taken away, and
    // this one runs alone.
    if (!decido)
        return false;
    // Nobody listens: a socket left by a copy that died may be in the way.
    QLocalServer::removeServer(canal_);
    servidor_ = new QLocalServer(this);
    servidor_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!servidor_->listen(canal_)) {
        delete servidor_;
        servidor_ = nullptr; // runs alone, as before
        return false;
    }
    connect(servidor_, &QLocalServer::newConnection, this, &Instancia::recibo);
    return false;
}

void Instancia::recibo()
{
    while (QLocalSocket* s = servidor_->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        const auto leo = [this, s] {
            QDataStream d(s);
            d.startTransaction();
            quint32 version = 0, como = 0;
            Pedido p;
            d >> version >> como >> p.rutas;
            if (!d.commitTransaction())
                return; // the rest is still on its way
            s->write("1");
            s->disconnectFromServer();
            if (version != kVersionCanal || como > quint32(Apertura::Comprimir))
                return;
            p.como = Apertura(como);
            // Served once this handler has returned: serving may open a box
            // whose event loop deletes this very socket.
            QMetaObject::invokeMethod(
                this,
                [this, p] {
                    if (atender_)
                        atender_(p);
                    else
                        pendientes_ << p;
                },
                Qt::QueuedConnection);
        };
        connect(s, &QLocalSocket::readyRead, this, leo);
        if (s->bytesAvailable() > 0)
            leo();
    }
}

void Instancia::atiendoCon(std::function<void(const Pedido&)> atender)
{
    atender_ = std::move(atender);
    const QList<Pedido> pendientes = std::exchange(pendientes_, {});
    for (const Pedido& p : pendientes)
        atender_(p);
}
