#include "compress/compresion.h"

#include "config/compartido.h"
#include "hash/motor_hash.h"
#include "system/archivos.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

QString AgregoFechayVersion(QString& Nombre, const Reloj& reloj)
{
    const QString sufijo = QLatin1Char('_') + reloj.hoy().toString(QStringLiteral("yyyy/MM/dd")).remove(QLatin1Char('/'))
        + QStringLiteral("_01");
    compartido().SufijoFechaVersion = sufijo;
    Nombre += sufijo;
    return sufijo;
}

QString NombrePropuesto(const QString& nombreArchivo)
{
    const qsizetype punto = nombreArchivo.lastIndexOf(QLatin1Char('.'));
    return punto > 0 ? nombreArchivo.left(punto) : nombreArchivo;
}

bool ListaArchivos::agrego(const QString& ruta)
{
    if (contiene(ruta))
        return false;
    entradas_.prepend(ruta);
    return true;
}

Agregado AgregoArchivos(ListaArchivos& lista, const QStringList& rutas)
{
    Agregado a;
    if (rutas.isEmpty())
        return a;
    // A single file added to a list that has entries changes neither the folder nor the name.
    if (rutas.size() == 1 && !lista.isEmpty()) {
        lista.agrego(rutas.first());
        return a;
    }
    a.cambioCarpeta = true;
    a.carpeta = CarpetaDeRuta(rutas.first());
    a.nombre = NombrePropuesto(NombreDeRuta(rutas.first()));
    for (const QString& r : rutas)
        lista.agrego(r);
    return a;
}

QString NombresRepetidos(const QStringList& rutas)
{
    for (qsizetype i = 0; i < rutas.size(); ++i)
        for (qsizetype k = i + 1; k < rutas.size(); ++k)
            if (NombreDeRuta(rutas[i]) == NombreDeRuta(rutas[k]))
                return QStringLiteral("Los archivos ") + rutas[i] + QStringLiteral(" y ") + rutas[k]
                    + QStringLiteral(" tienen el mismo nombre y se reemplazarían dentro del archivo comprimido. "
                                     "Quite uno de ellos de la lista o cámbiele el nombre.");
    return {};
}

QString BuscoZip(const QString& carpetaTrabajo)
{
    const QString propio = UnoRuta(carpetaTrabajo, QStringLiteral("zip"));
    if (!carpetaTrabajo.isEmpty() && QFileInfo(propio).isExecutable() && QFileInfo(propio).isFile())
        return propio;
    return QStandardPaths::findExecutable(QStringLiteral("zip"));
}

void BorroCorrida(const QString& corrida)
{
    if (!corrida.isEmpty())
        QDir(corrida).removeRecursively();
}

void BorroCorridasViejas(const QString& carpetaTrabajo)
{
    const QDateTime limite = QDateTime::currentDateTime().addSecs(-6 * 3600);
    const QFileInfoList viejas = QDir(carpetaTrabajo).entryInfoList({QStringLiteral("corrida-*")}, QDir::Dirs | QDir::Hidden);
    for (const QFileInfo& d : viejas)
        if (d.lastModified() < limite)
            BorroCorrida(d.absoluteFilePath());
}

Resultado<ArchivoArmado> ArmoZip(const QStringList& rutas, const QString& Nombre, const QString& carpetaTrabajo,
                                 EjecutorComandos& ejecutor, const std::function<void(int, int)>& avance)
{
    if (carpetaTrabajo.isEmpty())
        return Falla::otra(QStringLiteral("No se pudo crear la carpeta de trabajo privada del usuario"));
    const QString zip = BuscoZip(carpetaTrabajo);
    if (zip.isEmpty())
        return Falla::otra(QStringLiteral("No se encontró el programa zip (ni en la carpeta de trabajo ni en el PATH). "
                                          "Instale el paquete zip."));
    BorroCorridasViejas(carpetaTrabajo);
    QTemporaryDir corrida(UnoRuta(carpetaTrabajo, QStringLiteral("corrida-XXXXXX")));
    if (!corrida.isValid())
        return Falla::otra(QStringLiteral("No se pudo crear la carpeta de trabajo: ") + corrida.errorString());
    ArchivoArmado a;
    a.corrida = corrida.path();
    a.archivo = UnoRuta(a.corrida, Nombre + QStringLiteral(".zip"));

    // One run, "-j" storing each file without its folder; "-nw" keeps names
    // with "*" or "[" literal. Progress comes from zip's "adding:" lines.
    QStringList argumentos{QStringLiteral("-j"), QStringLiteral("-nw"), a.archivo};
    argumentos << rutas;
    int agregados = 0;
    const int total = int(rutas.size());
    if (avance)
        avance(1, total);
    const SalidaComando s = ejecutor.ejecuto(zip, argumentos, [&](const QString& linea) {
        // zip names a file when it has added it: the next one is in work.
        if (linea.startsWith(QLatin1String("adding:")) && ++agregados < total && avance)
            avance(agregados + 1, total);
    });
    if (!s.inicio)
        return Falla::otra(s.descripcion);
    if (!s.normal)
        return Falla::otra(s.descripcion);
    if (s.codigo != 0) {
        QString causa = s.errores.trimmed();
        return Falla::otra(QStringLiteral("El programa zip terminó con el código de error %1").arg(s.codigo)
                           + (causa.isEmpty() ? QString() : QStringLiteral(": ") + causa));
    }
    auto tamano = TamanoDe(a.archivo);
    if (!tamano)
        return Falla::otra(QStringLiteral("El programa zip no generó el archivo comprimido ") + a.archivo);
    a.tamano = tamano.valor();
    corrida.setAutoRemove(false);
    return a;
}

namespace {

Resultado<QString> entrego(const ArchivoArmado& zip, const QString& destino, const QString& siExiste)
{
    const Estado f = MuevoArchivo(zip.archivo, destino, false);
    BorroCorrida(zip.corrida);
    if (!f)
        return destino;
    if (f->tipo == TipoFalla::YaExiste)
        return Falla{TipoFalla::YaExiste, QStringLiteral("Ya existe el archivo ") + destino + siExiste, f->numero};
    return *f;
}

} // namespace

Resultado<QString> EntregoSellado(const ArchivoArmado& zip, const QString& carpeta, const QString& Nombre, Progreso* progreso)
{
    const Resultado<QString> hash = CalculoHash(zip.archivo, progreso);
    if (!hash) {
        BorroCorrida(zip.corrida);
        return hash.falla();
    }
    return entrego(zip, carpeta + Nombre + QLatin1Char('_') + hash.valor() + QStringLiteral(".zip"),
                   QStringLiteral(". No se reemplazó."));
}

Resultado<QString> EntregoEntero(const ArchivoArmado& zip, const QString& carpeta, const QString& Nombre)
{
    return entrego(zip, carpeta + Nombre + QStringLiteral(".zip"),
                   QStringLiteral(". No se reemplazó y el archivo comprimido nuevo no se guardó."));
}
