#include "compress/compresion.h"

#include "compress/directorio_zip.h"
#include "hash/motor_hash.h"
#include "system/archivos.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <thread>

QString SufijoFecha(const QDate& dia)
{
    return QLatin1Char('_') + dia.toString(QStringLiteral("yyyy/MM/dd")).remove(QLatin1Char('/')) + QStringLiteral("_01");
}

QString AgregoFechayVersion(QString& Nombre, const QDate& dia)
{
    const QString sufijo = SufijoFecha(dia);
    Nombre += sufijo;
    return sufijo;
}

QString NombrePropuesto(const QString& nombreArchivo)
{
    const qsizetype punto = nombreArchivo.lastIndexOf(QLatin1Char('.'));
    return punto > 0 ? nombreArchivo.left(punto) : nombreArchivo;
}

QString RevisoNombreArchivo(const QString& nombre)
{
    if (nombre.isEmpty())
        return QStringLiteral("Debe ingresar el nombre del archivo a publicar.");
    if (nombre.contains(QLatin1Char('/')) || nombre.contains(QLatin1Char('\\')))
        return QStringLiteral("El nombre del archivo a publicar no puede contener \"/\" ni \"\\\": es un nombre de archivo, "
                              "no una carpeta. El archivo se guarda en la carpeta de los archivos comprimidos.");
    if (nombre.contains(QLatin1Char('.')))
        return QStringLiteral("El nombre del archivo a publicar no puede contener \".\": lo que sigue al primer punto se "
                              "toma como extensión, y el código Hash del nombre ya no podría verificarse. "
                              "La extensión \".zip\" se agrega sola.");
    return {};
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
            if (NombreDeRuta(rutas[i]).compare(NombreDeRuta(rutas[k]), Qt::CaseInsensitive) == 0)
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

QString CausaSalidaZip(int codigo)
{
    QString causa;
    switch (codigo) {
    case 2: causa = QStringLiteral("el archivo comprimido terminó antes de lo esperado"); break;
    case 3: causa = QStringLiteral("el archivo comprimido tiene un formato inválido"); break;
    case 4: causa = QStringLiteral("no hubo memoria suficiente"); break;
    case 5: causa = QStringLiteral("el archivo comprimido está gravemente dañado"); break;
    case 6: causa = QStringLiteral("un archivo es demasiado grande para el formato zip"); break;
    case 7: causa = QStringLiteral("el comentario del archivo comprimido es inválido"); break;
    case 8: causa = QStringLiteral("falló la prueba del archivo comprimido o no hubo memoria suficiente"); break;
    case 9: causa = QStringLiteral("la compresión fue interrumpida"); break;
    case 10: causa = QStringLiteral("no se pudo usar un archivo temporal en la carpeta de trabajo"); break;
    case 11: causa = QStringLiteral("no se pudo leer uno de los archivos (error de lectura o de posicionamiento)"); break;
    case 12: causa = QStringLiteral("no había nada que comprimir"); break;
    case 13: causa = QStringLiteral("falta el archivo comprimido o está vacío"); break;
    case 14: causa = QStringLiteral("no se pudo escribir el archivo comprimido (¿disco lleno?)"); break;
    case 15: causa = QStringLiteral("no se pudo crear el archivo comprimido"); break;
    case 16: causa = QStringLiteral("los parámetros de la línea de comandos son inválidos"); break;
    case 18: causa = QStringLiteral("uno de los archivos no se encontró o no se pudo leer"); break;
    case 19: causa = QStringLiteral("el programa zip no admite las opciones necesarias"); break;
    default: causa = QStringLiteral("error desconocido"); break;
    }
    return QStringLiteral("El programa zip terminó con el código de error %1: %2.").arg(codigo).arg(causa);
}

namespace {

// The run's own folder inside the work folder: gone with the run.
class Corrida {
public:
    ~Corrida()
    {
        if (!ruta.isEmpty())
            QDir(ruta).removeRecursively();
    }
    QString ruta;
};

struct Entrada {
    QString ruta;
    IdentidadArchivo identidad;
};

// An archive is delivered by renaming it: its content must be on disk first.
Estado SincronizoArchivo(const QString& ruta)
{
    auto archivo = ArchivoCrudo::abro(ruta, ArchivoCrudo::Modo::Lectura);
    if (!archivo)
        return archivo.falla();
    if (auto f = archivo.valor().sincronizo())
        return f;
    return archivo.valor().cierro();
}

ResultadoCompresion con(Desenlace d, const Falla& f, ResultadoCompresion r)
{
    r.desenlace = d;
    r.falla = f;
    return r;
}

// Whole, as Nombre.zip: an existing one is replaced only when the operator
// says so; otherwise the new archive takes the first free "Nombre (n).zip".
ResultadoCompresion entregoEntero(const PlanCompresion& plan, const QString& archivo, ResultadoCompresion r)
{
    if (auto f = SincronizoArchivo(archivo))
        return con(Desenlace::Fallido, *f, r);
    QString destino = UnoRuta(plan.carpeta, r.nombre + QStringLiteral(".zip"));
    Estado f = MuevoArchivo(archivo, destino, false);
    if (f && f->tipo == TipoFalla::YaExiste) {
        const QString existente = destino;
        if (plan.reemplazo && plan.reemplazo(existente)) {
            f = MuevoArchivo(archivo, destino, true);
        } else {
            for (int n = 2; f && f->tipo == TipoFalla::YaExiste && n < 10000; ++n) {
                destino = UnoRuta(plan.carpeta, r.nombre + QStringLiteral(" (%1).zip").arg(n));
                f = MuevoArchivo(archivo, destino, false);
            }
            if (!f)
                r.aviso += (r.aviso.isEmpty() ? QString() : QStringLiteral("\r\n")) + QStringLiteral("Ya existía el archivo ")
                    + existente + QStringLiteral(", que no se reemplazó: el archivo comprimido nuevo se guardó como ")
                    + destino + QLatin1Char('.');
        }
    }
    if (f)
        return con(Desenlace::Fallido, *f, r);
    r.archivo = destino;
    r.desenlace = Desenlace::Entero;
    return r;
}

} // namespace

ResultadoCompresion ComprimoArchivosMulti(const PlanCompresion& plan, EjecutorComandos& ejecutor, Progreso* progreso)
{
    ResultadoCompresion r;
    r.nombre = plan.nombre.trimmed();
    if (plan.fecha)
        r.sufijo = AgregoFechayVersion(r.nombre, *plan.fecha);
    auto cancelado = [&] { return progreso && progreso->cancelado(); };

    if (const QString por = RevisoNombreArchivo(r.nombre); !por.isEmpty())
        return con(Desenlace::Rechazado, Falla::de(TipoFalla::ArgumentoInvalido, por), r);
    if (plan.rutas.isEmpty())
        return con(Desenlace::Rechazado,
                   Falla::de(TipoFalla::ArgumentoInvalido, QStringLiteral("No hay archivos para comprimir.")), r);
    if (const QString repetidos = NombresRepetidos(plan.rutas); !repetidos.isEmpty())
        return con(Desenlace::Rechazado, Falla::de(TipoFalla::ArgumentoInvalido, repetidos), r);
    if (plan.limite <= 0)
        return con(Desenlace::Rechazado, Falla::de(TipoFalla::ArgumentoInvalido, QStringLiteral("El valor no puede ser 0")), r);

    // Every input a readable regular file, before zip sees any of them: zip
    // would store what a link points at, wait on a FIFO, or skip a folder.
    QList<Entrada> entradas;
    qint64 total = 0;
    for (const QString& ruta : plan.rutas) {
        const QString absoluta = QFileInfo(ruta).absoluteFilePath();
        auto archivo = ArchivoCrudo::abro(absoluta, ArchivoCrudo::Modo::Lectura);
        if (!archivo)
            return con(Desenlace::Rechazado, archivo.falla(), r);
        const auto identidad = archivo.valor().identidad();
        if (!identidad)
            return con(Desenlace::Rechazado, identidad.falla(), r);
        entradas << Entrada{absoluta, identidad.valor()};
        total += identidad.valor().tamano;
    }

    const QString zip = plan.programaZip.isEmpty() ? BuscoZip(plan.carpetaTrabajo) : plan.programaZip;
    if (zip.isEmpty())
        return con(Desenlace::Fallido,
                   Falla::otra(QStringLiteral("No se encontró el programa zip (ni en la carpeta de trabajo ni en el PATH). "
                                              "Instale el paquete zip.")),
                   r);
    LimpioTemporalesHuerfanos(plan.carpetaTrabajo);
    Corrida corrida;
    {
        auto carpeta = CreoCarpetaTemporal(plan.carpetaTrabajo);
        if (!carpeta)
            return con(Desenlace::Fallido, carpeta.falla(), r);
        corrida.ruta = carpeta.valor();
    }
    const QString archivo = UnoRuta(corrida.ruta, r.nombre + QStringLiteral(".zip"));

    // One run: "-j" stores each file without its folder, "-nw" keeps "*", "?"
    // and "[" literal, "-MM" makes an unmatched or unreadable input an error,
    // "--" keeps a name with a leading dash a name.
    if (progreso) {
        progreso->hecho.store(0);
        progreso->total.store(total);
    }
    QStringList argumentos{QStringLiteral("-j"), QStringLiteral("-nw"), QStringLiteral("-MM"), QStringLiteral("-UN=UTF8"),
                           archivo, QStringLiteral("--")};
    for (const Entrada& e : entradas)
        argumentos << e.ruta;
    int agregados = 0;
    const SalidaComando s = ejecutor.ejecuto(
        zip, argumentos,
        [&](const QString& linea) {
            // zip ends an "adding:" line when that file is in.
            if (linea.startsWith(QLatin1String("adding:")) && agregados < entradas.size()) {
                if (progreso) {
                    progreso->paso.store(agregados + 1);
                    progreso->sumo(entradas[agregados].identidad.tamano);
                }
                ++agregados;
            }
        },
        cancelado);
    if (s.cancelado || cancelado())
        return con(Desenlace::Cancelado, Falla::cancelada(), r);
    if (!s.inicio || !s.normal)
        return con(Desenlace::Fallido, Falla::otra(s.descripcion), r);
    if (s.codigo != 0)
        return con(Desenlace::Fallido, Falla::otra(CausaSalidaZip(s.codigo)), r);

    // What was zipped must still be what was checked, and the archive must
    // hold exactly the listed names, in list order.
    for (const Entrada& e : std::as_const(entradas)) {
        const auto ahora = IdentidadDe(e.ruta);
        if (!ahora || !(ahora.valor() == e.identidad))
            return con(Desenlace::Fallido,
                       Falla::de(TipoFalla::Cambiado,
                                 QStringLiteral("El archivo cambió mientras se comprimía: ") + e.ruta
                                     + QStringLiteral(". Vuelva a procesar la lista.")),
                       r);
    }
    const auto nombres = LeoEntradasZip(archivo);
    if (!nombres)
        return con(Desenlace::Fallido, nombres.falla(), r);
    QList<QByteArray> esperados;
    for (const Entrada& e : std::as_const(entradas))
        esperados << NombreDeRuta(e.ruta).toUtf8();
    if (nombres.valor() != esperados) {
        QStringList faltan;
        for (const QByteArray& n : std::as_const(esperados))
            if (!nombres.valor().contains(n))
                faltan << QString::fromUtf8(n);
        return con(Desenlace::Fallido,
                   Falla::otra(QStringLiteral("El archivo comprimido no contiene exactamente los archivos de la lista")
                               + (faltan.isEmpty() ? QStringLiteral(".") : QStringLiteral("; faltan: ") + faltan.join(QStringLiteral(", ")) + QLatin1Char('.'))),
                   r);
    }
    if (auto f = MarcoNombresUtf8(archivo))
        return con(Desenlace::Fallido, *f, r);
    const auto tamano = TamanoDe(archivo);
    if (!tamano)
        return con(Desenlace::Fallido, tamano.falla(), r);
    r.tamano = tamano.valor();

    if (r.tamano <= plan.limite) {
        if (progreso) {
            progreso->hecho.store(0);
            progreso->total.store(r.tamano);
        }
        // The flush to disk runs beside the hash, which reads from the cache.
        Estado enDisco;
        std::thread sincronizo([&] { enDisco = SincronizoArchivo(archivo); });
        const auto hash = CalculoHash(archivo, progreso);
        sincronizo.join();
        if (hash && enDisco)
            return con(Desenlace::Fallido, *enDisco, r);
        if (!hash)
            return con(hash.falla().tipo == TipoFalla::Cancelado ? Desenlace::Cancelado : Desenlace::Fallido, hash.falla(), r);
        const QString destino = UnoRuta(plan.carpeta, r.nombre + QLatin1Char('_') + hash.valor() + QStringLiteral(".zip"));
        if (auto f = MuevoArchivo(archivo, destino, false)) {
            if (f->tipo == TipoFalla::YaExiste)
                f->descripcion = QStringLiteral("Ya existe el archivo ") + destino + QStringLiteral(". No se reemplazó.");
            return con(Desenlace::Fallido, *f, r);
        }
        r.archivo = destino;
        r.desenlace = Desenlace::Sellado;
        return r;
    }

    if (plan.particiono && plan.particiono(r.tamano)) {
        PlanParticion particion;
        const RechazoParticion rechazo = PlanificoParticion(archivo, r.tamano, plan.limite, particion);
        if (rechazo == RechazoParticion::Demasiadas) {
            // A set of more than 327 cannot be published; the archive is
            // still of use whole.
            r.demasiadas = true;
            r.aviso = TextoRechazo(rechazo) + QStringLiteral(": el archivo comprimido se entregó entero, sin particionar.");
            return entregoEntero(plan, archivo, r);
        }
        if (rechazo != RechazoParticion::Ninguno)
            return con(Desenlace::Fallido, Falla::otra(TextoRechazo(rechazo)), r);
        if (plan.confirmo && !plan.confirmo(particion)) {
            r.alConfirmar = true;
            return con(Desenlace::Cancelado, Falla::cancelada(), r);
        }
        const ResultadoParticion p = GeneroParticiones(particion, plan.carpeta, true, progreso);
        if (p.falla)
            return con(p.falla->tipo == TipoFalla::Cancelado ? Desenlace::Cancelado : Desenlace::Fallido, *p.falla, r);
        r.particiones = p.finales;
        r.desenlace = Desenlace::Particionado;
        return r;
    }
    return entregoEntero(plan, archivo, r);
}
