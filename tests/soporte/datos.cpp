#include "soporte/datos.h"

#include "hash/md5_carriles.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

QString EscriboArchivo(const QString& ruta, const QByteArray& contenido)
{
    QFile f(ruta);
    if (f.open(QIODevice::WriteOnly))
        f.write(contenido);
    return ruta;
}

QByteArray LeoArchivo(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Datos(qint64 n, unsigned semilla)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator g(semilla);
    for (qint64 i = 0; i < n; ++i)
        b[i] = char(g.generate() & 0xff);
    return b;
}

QString Md5sum(const QString& ruta)
{
    QProcess p;
    p.start(QStringLiteral("md5sum"), {ruta});
    p.waitForFinished(-1);
    return QString::fromLatin1(p.readAllStandardOutput().left(32)).toUpper();
}

QStringList Archivos(const QString& carpeta) { return QDir(carpeta).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

QStringList Temporales(const QString& carpeta)
{
    QStringList t;
    for (const QString& n : QDir(carpeta).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot))
        if (EsNombreTemporal(n))
            t << n;
    return t;
}

Servicio::Servicio(const QString& modo, const QString& tamano)
    : Servicio(QStringLiteral(TERV_SERVICIO_DEMO),
               {QStringLiteral("--modo"), modo, QStringLiteral("--tamano=") + tamano, QStringLiteral("--puerto"),
                QStringLiteral("0")})
{}

Servicio::Servicio(const QString& programa, const QStringList& argumentos) : proceso_(std::make_unique<QProcess>())
{
    proceso_->setProcessChannelMode(QProcess::ForwardedErrorChannel); // a helper's failure shows in the log
    proceso_->start(programa, argumentos);
    proceso_->waitForStarted();
    // What came while it started is already buffered: read that first.
    while (proceso_->canReadLine() || proceso_->waitForReadyRead(60000)) {
        while (proceso_->canReadLine()) {
            const QByteArray linea = proceso_->readLine();
            if (linea.startsWith("ESCUCHANDO ")) {
                puerto = quint16(linea.mid(11).trimmed().toUInt());
                return;
            }
        }
    }
}

Servicio::~Servicio()
{
    proceso_->kill();
    proceso_->waitForFinished();
}

QString Servicio::url() const { return QStringLiteral("http://127.0.0.1:%1/tamano?programa=").arg(puerto); }

Corrida CorroPrograma(const QString& programa, const QStringList& args, int esperaMs,
                      const QProcessEnvironment& entorno)
{
    QProcess p;
    p.setProcessEnvironment(entorno);
    p.start(programa, args);
    if (!p.waitForFinished(esperaMs)) {
        p.kill();
        p.waitForFinished();
        return {-1, QString::fromUtf8(p.readAllStandardOutput()),
                QStringLiteral("(no terminó a tiempo) ") + QString::fromUtf8(p.readAllStandardError())};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

bool NucleoMd5Ausente()
{
    // Only a known kernel the processor lacks: any other value of TERV_MD5
    // runs the tests, which then fail as the program does.
    const QString pedido = qEnvironmentVariable("TERV_MD5");
    for (NucleoMd5 n : {NucleoMd5::OpenSsl, NucleoMd5::Avx2, NucleoMd5::Avx512})
        if (pedido == NombreNucleo(n) && !NucleoDisponible(n)) {
            std::printf("[ NUCLEO AUSENTE ] TERV_MD5=%s: el procesador no lo tiene\n", qPrintable(pedido));
            return true;
        }
    return false;
}
