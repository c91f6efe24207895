#include "compress/compresion.h"

#include "compress/escritor_zip.h"
#include "system/archivos.h"

#include <QFileInfo>
#include <QHash>

#include <vector>

QString SufijoFecha(const QDate& dia)
{
    return QLatin1Char('_') + dia.toString(QStringLiteral("yyyy/MM/dd")).remove(QLatin1Char('/'))
        + QStringLiteral("_01");
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
        return QStringLiteral(
            "El nombre del archivo a publicar no puede contener \"/\" ni \"\\\": es un nombre de archivo, "
            "no una carpeta. El archivo se guarda en la carpeta de los archivos comprimidos.");
    if (nombre.contains(QLatin1Char('.')))
        return QStringLiteral(
            "El nombre del archivo a publicar no puede contener \".\": lo que sigue al primer punto se "
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
    // Keyed by the name folded to one letter case: one pass, however long the list.
    QHash<QString, qsizetype> vistos;
    vistos.reserve(rutas.size());
    for (qsizetype k = 0; k < rutas.size(); ++k) {
        const QString clave = NombreDeRuta(rutas[k]).toCaseFolded();
        if (const auto donde = vistos.constFind(clave); donde != vistos.cend())
            return QStringLiteral("Los archivos ") + rutas[donde.value()] + QStringLiteral(" y ") + rutas[k]
                + QStringLiteral(" tienen el mismo nombre y se reemplazarían dentro del archivo comprimido. "
                                 "Quite uno de ellos de la lista o cámbiele el nombre.");
        vistos.insert(clave, k);
    }
    return {};
}

namespace {

ResultadoCompresion con(Desenlace d, const Falla& f, ResultadoCompresion r)
{
    r.desenlace = d;
    r.falla = f;
    return r;
}

ResultadoCompresion conFalla(const Falla& f, ResultadoCompresion r)
{
    return con(f.tipo == TipoFalla::Cancelado ? Desenlace::Cancelado : Desenlace::Fallido, f, std::move(r));
}

// The name and the list, before anything is opened.
Estado RevisoPlan(const PlanCompresion& plan, const QString& nombre)
{
    if (const QString por = RevisoNombreArchivo(nombre); !por.isEmpty())
        return Falla::de(TipoFalla::ArgumentoInvalido, por);
    if (plan.rutas.isEmpty())
        return Falla::de(TipoFalla::ArgumentoInvalido, QStringLiteral("No hay archivos para comprimir."));
    if (const QString repetidos = NombresRepetidos(plan.rutas); !repetidos.isEmpty())
        return Falla::de(TipoFalla::ArgumentoInvalido, repetidos);
    if (plan.limite <= 0)
        return Falla::de(TipoFalla::ArgumentoInvalido, QStringLiteral("El valor no puede ser 0"));
    return std::nullopt;
}

// Every input a regular file (not a link, a folder, a FIFO or a device),
// each one's identity kept to be compared while it is compressed.
Resultado<std::vector<EntradaZip>> RevisoEntradas(const QStringList& rutas, qint64& total)
{
    std::vector<EntradaZip> entradas;
    entradas.reserve(std::size_t(rutas.size()));
    total = 0;
    for (const QString& ruta : rutas) {
        const QString absoluta = QFileInfo(ruta).absoluteFilePath();
        auto archivo = ArchivoCrudo::abro(absoluta, ArchivoCrudo::Modo::Lectura);
        if (!archivo)
            return archivo.falla();
        const auto identidad = archivo.valor().identidad();
        if (!identidad)
            return identidad.falla();
        entradas.push_back({absoluta, identidad.valor()});
        total += identidad.valor().tamano;
    }
    return entradas;
}

struct Armado {
    qint64 tamano = 0;
    QString hash;
};

Resultado<Armado> ArmoZip(ArchivoCrudo& salida, const std::vector<EntradaZip>& entradas, const PlanCompresion& plan,
                          Progreso* progreso)
{
    EscritorZip zip(salida, plan.hilos > 0 ? plan.hilos : HilosDeflate(), progreso);
    zip.alComprimir = plan.alComprimir;
    for (std::size_t i = 0; i < entradas.size(); ++i) {
        if (progreso)
            progreso->paso.store(int(i) + 1);
        if (auto f = zip.agrego(entradas[i]))
            return *f;
    }
    if (progreso && progreso->cancelado())
        return Falla::cancelada();
    if (auto f = zip.cierro())
        return *f;
    return Armado{zip.tamano(), zip.md5()};
}

// Stamped with the hash computed while it was written.
ResultadoCompresion entregoSellado(const PlanCompresion& plan, Temporal& archivo, const QString& hash,
                                   ResultadoCompresion r)
{
    const QString destino = UnoRuta(plan.carpeta, r.nombre + QLatin1Char('_') + hash + QStringLiteral(".zip"));
    if (auto f = archivo.entrego(destino, false)) {
        if (f->tipo == TipoFalla::YaExiste)
            f->descripcion = QStringLiteral("Ya existe el archivo ") + destino + QStringLiteral(". No se reemplazó.");
        return con(Desenlace::Fallido, *f, r);
    }
    r.archivo = destino;
    r.desenlace = Desenlace::Sellado;
    return r;
}

// The first free "Nombre (n).zip", by renaming: the archive is never copied.
Estado BuscoNombreLibre(Temporal& archivo, const PlanCompresion& plan, const QString& nombre, QString& destino)
{
    Estado f = Falla::de(TipoFalla::YaExiste, destino);
    for (int n = 2; f && f->tipo == TipoFalla::YaExiste && n < 10000; ++n) {
        destino = UnoRuta(plan.carpeta, nombre + QStringLiteral(" (%1).zip").arg(n));
        f = archivo.entregoSiLibre(destino);
    }
    return f;
}

// Whole, as Nombre.zip: an existing one is replaced only when the operator
// says so; otherwise the new archive takes the first free "Nombre (n).zip".
ResultadoCompresion entregoEntero(const PlanCompresion& plan, Temporal& archivo, ResultadoCompresion r)
{
    QString destino = UnoRuta(plan.carpeta, r.nombre + QStringLiteral(".zip"));
    Estado f = archivo.entregoSiLibre(destino);
    if (f && f->tipo == TipoFalla::YaExiste) {
        const QString existente = destino;
        if (plan.reemplazo && plan.reemplazo(existente)) {
            f = archivo.entrego(destino, true);
        } else {
            f = BuscoNombreLibre(archivo, plan, r.nombre, destino);
            if (!f)
                r.aviso += (r.aviso.isEmpty() ? QString() : QStringLiteral("\r\n"))
                    + QStringLiteral("Ya existía el archivo ") + existente
                    + QStringLiteral(", que no se reemplazó: el archivo comprimido nuevo se guardó como ") + destino
                    + QLatin1Char('.');
        }
    }
    if (f)
        return con(Desenlace::Fallido, *f, r);
    r.archivo = destino;
    r.desenlace = Desenlace::Entero;
    return r;
}

// Over the limit, and the operator chose to split it: the set is made from
// the temporary archive, which goes with the run.
ResultadoCompresion particiono(const PlanCompresion& plan, Temporal& archivo, std::optional<CerrojoCarpeta>& cerrojo,
                               ResultadoCompresion r, Progreso* progreso)
{
    // Named as the archive; read from the temporary.
    PlanParticion particion;
    const RechazoParticion rechazo =
        PlanificoParticion(UnoRuta(plan.carpeta, r.nombre + QStringLiteral(".zip")), r.tamano, plan.limite, particion);
    if (rechazo == RechazoParticion::Demasiadas) {
        // A set of more than 327 cannot be published; the archive is
        // still of use whole.
        r.demasiadas = true;
        r.aviso = TextoRechazo(rechazo) + QStringLiteral(": el archivo comprimido se entregó entero, sin particionar.");
        return entregoEntero(plan, archivo, r);
    }
    if (rechazo != RechazoParticion::Ninguno)
        return con(Desenlace::Fallido, Falla::otra(TextoRechazo(rechazo)), r);
    particion.origen = archivo.ruta();
    if (plan.confirmo && !plan.confirmo(particion)) {
        r.alConfirmar = true;
        return con(Desenlace::Cancelado, Falla::cancelada(), r);
    }
    // The split takes the folder for itself.
    cerrojo.reset();
    const ResultadoParticion p = GeneroParticiones(particion, plan.carpeta, true, progreso);
    if (p.falla)
        return conFalla(*p.falla, r);
    r.particiones = p.finales;
    r.desenlace = Desenlace::Particionado;
    return r;
}

// Over the limit: split or whole, as the operator says.
ResultadoCompresion entregoGrande(const PlanCompresion& plan, Temporal& archivo, std::optional<CerrojoCarpeta>& cerrojo,
                                  ResultadoCompresion r, Progreso* progreso)
{
    // What follows (the split) shows its own progress from nothing.
    if (progreso) {
        progreso->hecho.store(0);
        progreso->total.store(r.tamano);
    }
    if (plan.particiono && plan.particiono(r.tamano))
        return particiono(plan, archivo, cerrojo, r, progreso);
    return entregoEntero(plan, archivo, r);
}

} // namespace

ResultadoCompresion ComprimoArchivosMulti(const PlanCompresion& plan, Progreso* progreso)
{
    ResultadoCompresion r;
    r.nombre = plan.nombre.trimmed();
    if (plan.fecha)
        r.sufijo = AgregoFechayVersion(r.nombre, *plan.fecha);
    if (auto f = RevisoPlan(plan, r.nombre))
        return con(Desenlace::Rechazado, *f, r);
    qint64 total = 0;
    const auto entradas = RevisoEntradas(plan.rutas, total);
    if (!entradas)
        return con(Desenlace::Rechazado, entradas.falla(), r);

    // Held while the archive is written beside the delivered files.
    std::optional<CerrojoCarpeta> cerrojo;
    {
        auto tomado = CerrojoCarpeta::tomo(plan.carpeta);
        if (!tomado)
            return con(Desenlace::Fallido, tomado.falla(), r);
        cerrojo.emplace(std::move(tomado.valor()));
    }
    // Never one of the run's own inputs, whatever it is called.
    std::vector<IdentidadArchivo> propias;
    for (const EntradaZip& e : entradas.valor())
        propias.push_back(e.identidad);
    LimpioTemporalesHuerfanos(plan.carpeta, propias);
    auto temporal = Temporal::creo(plan.carpeta);
    if (!temporal)
        return con(Desenlace::Fallido, temporal.falla(), r);
    Temporal& archivo = temporal.valor();
    if (progreso) {
        progreso->hecho.store(0);
        progreso->total.store(total);
    }
    const auto armado = ArmoZip(archivo.archivo(), entradas.valor(), plan, progreso);
    if (!armado)
        return conFalla(armado.falla(), r);
    r.tamano = armado.valor().tamano;
    if (r.tamano <= plan.limite)
        return entregoSellado(plan, archivo, armado.valor().hash, r);
    return entregoGrande(plan, archivo, cerrojo, r, progreso);
}
