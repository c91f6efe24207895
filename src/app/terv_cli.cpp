// terv-cli: every operation of the utility without a window, on the same
// routines the screens call. Messages on standard error, results on standard
// output (one JSON object per file with --json).
//   0 success, 1 a check found wrong or missing data, 2 bad usage,
//   3 an operation failed (nothing left half done).
#include "app/cli_consultar.h"
#include "compress/compresion.h"
#include "config/compartido.h"
#include "hash/motor_hash.h"
#include "hash/nombre_hash.h"
#include "join/union.h"
#include "partition/particionado.h"
#include "system/archivos.h"
#include "system/comandos.h"
#include "system/plataforma.h"
#include "system/trabajo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

enum Salida { Exito = 0, DatosMal = 1, UsoMal = 2, Fallo = 3 };

QTextStream& salida()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& errores()
{
    static QTextStream s(stderr);
    return s;
}

struct Opciones {
    QCommandLineParser p;
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("Un objeto JSON por archivo en la salida estándar.")};
    QCommandLineOption ayuda{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Muestra esta ayuda.")};
    bool enJson = false;
};

void Aviso(const QString& texto) { errores() << texto << Qt::endl; }

void Informo(const Opciones& o, const QJsonObject& objeto, const QString& texto)
{
    if (o.enJson)
        salida() << QJsonDocument(objeto).toJson(QJsonDocument::Compact) << Qt::endl;
    else
        salida() << texto << Qt::endl;
}

// Progress is shown only to a person watching a terminal.
bool EsTerminal() { return isatty(fileno(stderr)) != 0; }

// Runs a long job, showing its percentage on standard error when that is a terminal.
template <class F>
auto ConAvance(const QString& que, Progreso& progreso, F&& trabajo)
{
    const bool terminal = EsTerminal();
    auto r = EjecutoTrabajo(std::forward<F>(trabajo), [&] {
        const qint64 total = progreso.total.load();
        if (terminal && total > 0)
            errores() << '\r' << que << ' ' << progreso.hecho.load() * 100 / total << '%' << Qt::flush;
    });
    if (terminal && progreso.total.load() > 0)
        errores() << Qt::endl;
    return r;
}

// Parses the subcommand's own arguments; nullopt after printing help or an error.
std::optional<int> Analizo(Opciones& o, const QStringList& args, const QString& sintaxis, const QString& descripcion, int minimo)
{
    o.p.setApplicationDescription(descripcion);
    o.p.addOptions({o.ayuda, o.json});
    o.p.addPositionalArgument(QStringLiteral("argumentos"), sintaxis);
    if (!o.p.parse(args)) {
        Aviso(o.p.errorText());
        return UsoMal;
    }
    if (o.p.isSet(o.ayuda)) {
        // Our own first line: the subcommand is part of the usage.
        const QString texto = o.p.helpText();
        salida() << QStringLiteral("Uso: ") << args.first() << QStringLiteral(" [opciones] ") << sintaxis
                 << texto.mid(texto.indexOf(QLatin1Char('\n')));
        return Exito;
    }
    if (o.p.positionalArguments().size() < minimo) {
        Aviso(QStringLiteral("Faltan argumentos: ") + sintaxis);
        return UsoMal;
    }
    o.enJson = o.p.isSet(o.json);
    return std::nullopt;
}

std::optional<qint64> Megas(const QString& texto)
{
    bool ok = false;
    const double mb = texto.toDouble(&ok);
    if (!ok || mb <= 0)
        return std::nullopt;
    return MegasABytes(mb);
}

// ---- sellar ----
int Sellar(const QStringList& args)
{
    Opciones o;
    if (auto r = Analizo(o, args, QStringLiteral("ARCHIVO..."), QStringLiteral("Agrega al nombre de cada archivo su código hash."), 1))
        return *r;
    int codigo = Exito;
    for (const QString& ruta : o.p.positionalArguments()) {
        Progreso progreso;
        const auto tamano = TamanoDe(ruta);
        progreso.total.store(tamano ? tamano.valor() : 0);
        const auto r = ConAvance(NombreDeRuta(ruta), progreso, [&] { return EstampoArchivo(ruta, &progreso); });
        if (!r) {
            const Falla& f = r.falla();
            Aviso(ruta + QStringLiteral(": ") + TextoFallaEstampado(f));
            if (o.enJson)
                Informo(o, {{QStringLiteral("archivo"), ruta}, {QStringLiteral("error"), f.descripcion}}, QString());
            codigo = Fallo;
            continue;
        }
        Informo(o, {{QStringLiteral("archivo"), ruta}, {QStringLiteral("sellado"), r.valor()}}, r.valor());
    }
    return codigo;
}

// ---- verificar ----
struct Verificacion {
    QString ruta;
    QString estado; // correcto, invalido, sin_formato, error
    QString enNombre, calculado, detalle;
};

Verificacion VerificoUno(const QString& ruta)
{
    Verificacion v{ruta, {}, {}, {}, {}};
    const auto h = ObtengoHashString(NombreDeRuta(ruta));
    if (!h || !h->menError.isEmpty()) {
        v.estado = QStringLiteral("sin_formato");
        v.detalle = TextoSinFormatoHash();
        return v;
    }
    v.enNombre = h->strHash;
    const auto hash = CalculoHash(ruta);
    if (!hash) {
        v.estado = QStringLiteral("error");
        v.detalle = hash.falla().tipo == TipoFalla::NoEncontrado ? TextoArchivoNoEncontrado() : hash.falla().descripcion;
        return v;
    }
    v.calculado = hash.valor();
    v.estado = v.calculado == v.enNombre ? QStringLiteral("correcto") : QStringLiteral("invalido");
    return v;
}

int Verificar(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption corregir(QStringLiteral("corregir"), QStringLiteral("Cambia el código hash inválido del nombre por el del contenido."));
    o.p.addOption(corregir);
    if (auto r = Analizo(o, args, QStringLiteral("ARCHIVO|CARPETA..."),
                         QStringLiteral("Comprueba el código hash del nombre de cada archivo (de una carpeta: los que tienen formato de hash)."), 1))
        return *r;
    QStringList rutas;
    for (const QString& a : o.p.positionalArguments()) {
        if (!QFileInfo(a).isDir()) {
            rutas << a;
            continue;
        }
        for (const QString& n : QDir(a).entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
            const auto h = ObtengoHashString(n);
            if (h && h->menError.isEmpty())
                rutas << UnoRuta(a, n);
        }
    }
    // One file per core at a time; results in the order given.
    std::vector<Verificacion> hechas(size_t(rutas.size()));
    std::atomic<qsizetype> siguiente{0};
    const auto trabajador = [&] {
        for (qsizetype i; (i = siguiente.fetch_add(1)) < rutas.size();)
            hechas[size_t(i)] = VerificoUno(rutas[i]);
    };
    std::vector<std::thread> hilos;
    for (unsigned k = 0; k < std::max(1u, std::min(2u, std::thread::hardware_concurrency())); ++k)
        hilos.emplace_back(trabajador);
    for (auto& h : hilos)
        h.join();

    int codigo = Exito;
    for (Verificacion& v : hechas) {
        QString nuevo;
        if (v.estado == QLatin1String("invalido") && o.p.isSet(corregir)) {
            const QString nombre = NombreDeRuta(v.ruta);
            const auto h = ObtengoHashString(nombre);
            const auto r = CambioHashArchivo(v.ruta, nombre, v.calculado, h->nombreArc, h->ExtenArc);
            if (r) {
                nuevo = r.valor();
                v.estado = QStringLiteral("corregido");
            } else {
                v.detalle = r.falla().descripcion;
            }
        }
        if (v.estado == QLatin1String("error"))
            codigo = Fallo;
        else if (v.estado != QLatin1String("correcto") && v.estado != QLatin1String("corregido") && codigo == Exito)
            codigo = DatosMal;
        QString texto = v.estado.toUpper() + QLatin1Char(' ') + v.ruta;
        if (v.estado == QLatin1String("invalido"))
            texto += QStringLiteral(" (HASH del archivo: ") + v.calculado + QLatin1Char(')');
        if (!nuevo.isEmpty())
            texto += QStringLiteral(" -> ") + nuevo;
        if (!v.detalle.isEmpty())
            Aviso(v.ruta + QStringLiteral(": ") + v.detalle);
        QJsonObject j{{QStringLiteral("archivo"), v.ruta}, {QStringLiteral("estado"), v.estado}};
        if (!v.enNombre.isEmpty())
            j.insert(QStringLiteral("hashNombre"), v.enNombre);
        if (!v.calculado.isEmpty())
            j.insert(QStringLiteral("hashArchivo"), v.calculado);
        if (!nuevo.isEmpty())
            j.insert(QStringLiteral("nuevo"), nuevo);
        Informo(o, j, texto);
    }
    return codigo;
}

// ---- particionar ----
int Particionar(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption tamano(QStringLiteral("tamano"), QStringLiteral("Tamaño de cada partición en MB."), QStringLiteral("MB"));
    const QCommandLineOption destino(QStringLiteral("destino"), QStringLiteral("Carpeta de las particiones (la del archivo si falta)."),
                                     QStringLiteral("carpeta"));
    o.p.addOptions({tamano, destino});
    if (auto r = Analizo(o, args, QStringLiteral("ARCHIVO [--tamano MB]"),
                         QStringLiteral("Divide el archivo en particiones numeradas, cada una con su código hash."), 1))
        return *r;
    // Without --tamano, the size the service gives (as at the program's start).
    QString sinTamano;
    const auto S = o.p.isSet(tamano) ? Megas(o.p.value(tamano)) : TamanoConsultadoBytes(&sinTamano);
    if (!S) {
        Aviso(sinTamano.isEmpty() ? QStringLiteral("Debe asiganar un tamaño de particiones") : sinTamano);
        return sinTamano.isEmpty() ? UsoMal : Fallo;
    }
    const QString origen = o.p.positionalArguments().first();
    const auto F = TamanoDe(origen);
    if (!F) {
        Aviso(origen + QStringLiteral(": ") + F.falla().descripcion);
        return Fallo;
    }
    PlanParticion plan;
    if (const RechazoParticion r = PlanificoParticion(origen, F.valor(), *S, plan); r != RechazoParticion::Ninguno) {
        Aviso(MensajeRechazo(r).texto);
        return Fallo;
    }
    const QString carpeta = o.p.isSet(destino) ? o.p.value(destino) : CarpetaDeRuta(origen);
    Progreso progreso;
    const ResultadoParticion r = ConAvance(plan.nombre, progreso, [&] { return GeneroParticiones(plan, carpeta, {}, &progreso); });
    for (const QString& f : r.finales)
        Informo(o, {{QStringLiteral("archivo"), origen}, {QStringLiteral("particion"), f}}, f);
    if (r.falla) {
        Aviso(ManejoErrores(*r.falla).texto);
        return Fallo;
    }
    return Exito;
}

// ---- unir ----
int Unir(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption destino(QStringLiteral("destino"), QStringLiteral("Carpeta del archivo armado (la de las particiones si falta)."),
                                     QStringLiteral("carpeta"));
    const QCommandLineOption conservar(QStringLiteral("conservar-danado"),
                                       QStringLiteral("Entrega el archivo armado aunque alguna partición no coincida con su hash."));
    o.p.addOptions({destino, conservar});
    if (auto r = Analizo(o, args, QStringLiteral("PARTICION"),
                         QStringLiteral("Une el juego de particiones al que pertenece la partición indicada, comprobando cada hash."), 1))
        return *r;
    const QString una = o.p.positionalArguments().first();
    EstadoUnion e;
    e.CarpetaOrigen = CarpetaDeRuta(una);
    if (e.CarpetaOrigen.isEmpty())
        e.CarpetaOrigen = QStringLiteral(".");
    e.CarpetaDestino = o.p.isSet(destino) ? o.p.value(destino) : e.CarpetaOrigen;
    const auto patron = ArmoPatronParticiones(NombreDeRuta(una));
    const QStringList lista = patron ? ListoParticiones(e.CarpetaOrigen, *patron) : QStringList();
    if (lista.isEmpty()) {
        Aviso(MensajeSinParticiones().texto);
        return DatosMal;
    }
    const Ordenamiento orden = OrdenoParticiones(e, lista);
    if (orden.motivo != Ordenamiento::Completo || !CorroboroCantidadArchivos(lista)) {
        Aviso(orden.motivo == Ordenamiento::Ninguna ? MensajeNoSonParticiones().texto : MensajeFaltanParticiones(&orden).texto);
        return DatosMal;
    }
    ObtengoNombreFinal(e, orden.ordenadas.first());
    Progreso progreso;
    const ResultadoUnion r = ConAvance(e.NombreArchivoFinal, progreso, [&] {
        return UnoParticiones(e.CarpetaOrigen, orden.ordenadas, e.CarpetaDestino, e.NombreArchivoFinal, &progreso);
    });
    if (r.falla) {
        Aviso(r.falla->descripcion);
        return Fallo;
    }
    const QString final = UnoRuta(e.CarpetaDestino, e.NombreArchivoFinal);
    if (!r.diferentes.isEmpty()) {
        Aviso(TextoParticionesDanadas(r.diferentes));
        if (!o.p.isSet(conservar)) {
            LimpioUnion(e, r.temporal);
            return DatosMal;
        }
    }
    if (auto f = MuevoArchivoFinal(r.temporal, e.CarpetaDestino, e.NombreArchivoFinal)) {
        LimpioUnion(e, r.temporal);
        Aviso(f->descripcion);
        return Fallo;
    }
    Informo(o, {{QStringLiteral("archivo"), final}, {QStringLiteral("particiones"), int(orden.ordenadas.size())}}, final);
    return r.diferentes.isEmpty() ? Exito : DatosMal;
}

// ---- comprimir ----
int Comprimir(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption nombre(QStringLiteral("nombre"), QStringLiteral("Nombre del archivo comprimido, sin \".zip\"."), QStringLiteral("nombre"));
    const QCommandLineOption fecha(QStringLiteral("fecha"), QStringLiteral("Agrega la fecha y la versión al nombre (_AAAAMMDD_01)."));
    const QCommandLineOption tamano(QStringLiteral("tamano"), QStringLiteral("Tamaño máximo publicable en MB (el del servicio si falta)."),
                                    QStringLiteral("MB"));
    const QCommandLineOption entero(QStringLiteral("entero"), QStringLiteral("Si supera el máximo, lo entrega sin particionar."));
    const QCommandLineOption destino(QStringLiteral("destino"), QStringLiteral("Carpeta de entrega (la del primer archivo si falta)."),
                                     QStringLiteral("carpeta"));
    o.p.addOptions({nombre, fecha, tamano, entero, destino});
    if (auto r = Analizo(o, args, QStringLiteral("ARCHIVO..."),
                         QStringLiteral("Comprime los archivos en un .zip listo para publicar: sellado, o particionado si supera el máximo."), 1))
        return *r;
    QString sinTamano;
    const auto limite = o.p.isSet(tamano) ? Megas(o.p.value(tamano)) : TamanoConsultadoBytes(&sinTamano);
    if (!limite) {
        Aviso(sinTamano.isEmpty() ? QStringLiteral("El valor no puede ser 0") : sinTamano);
        return sinTamano.isEmpty() ? UsoMal : Fallo;
    }
    ListaArchivos lista;
    QStringList rutas;
    for (const QString& a : o.p.positionalArguments())
        rutas << QFileInfo(a).absoluteFilePath();
    const Agregado agregado = AgregoArchivos(lista, rutas);
    if (const QString repetidos = NombresRepetidos(lista.entradas()); !repetidos.isEmpty()) {
        Aviso(repetidos);
        return UsoMal;
    }
    QString Nombre = o.p.isSet(nombre) ? o.p.value(nombre).trimmed() : agregado.nombre;
    if (o.p.isSet(fecha)) {
        RelojSistema reloj;
        AgregoFechayVersion(Nombre, reloj);
    }
    QString carpeta = o.p.isSet(destino) ? QFileInfo(o.p.value(destino)).absoluteFilePath() : agregado.carpeta;
    if (!carpeta.endsWith(QLatin1Char('/')))
        carpeta += QLatin1Char('/');

    EjecutorProcesos ejecutor;
    const auto zip = ArmoZip(lista.entradas(), Nombre, ObtengoDirectorioWindows(), ejecutor, [&](int i, int n) {
        if (EsTerminal())
            errores() << QStringLiteral("\rcomprimiendo %1 de %2").arg(i).arg(n) << Qt::flush;
    });
    if (EsTerminal())
        errores() << Qt::endl;
    if (!zip) {
        Aviso(QStringLiteral("Error al armar el Archivo: ") + zip.falla().descripcion);
        return Fallo;
    }
    Progreso progreso;
    if (zip.valor().tamano <= *limite) {
        const auto r = ConAvance(Nombre, progreso, [&] { return EntregoSellado(zip.valor(), carpeta, Nombre, &progreso); });
        if (!r) {
            Aviso(r.falla().descripcion);
            return Fallo;
        }
        Informo(o, {{QStringLiteral("archivo"), r.valor()}}, r.valor());
        return Exito;
    }
    if (o.p.isSet(entero)) {
        const auto r = EntregoEntero(zip.valor(), carpeta, Nombre);
        if (!r) {
            Aviso(r.falla().descripcion);
            return Fallo;
        }
        Informo(o, {{QStringLiteral("archivo"), r.valor()}}, r.valor());
        return Exito;
    }
    PlanParticion plan;
    const RechazoParticion rechazo = PlanificoParticion(zip.valor().archivo, zip.valor().tamano, *limite, plan);
    if (rechazo != RechazoParticion::Ninguno) {
        BorroCorrida(zip.valor().corrida);
        Aviso(MensajeRechazo(rechazo).texto);
        return Fallo;
    }
    const ResultadoParticion r = ConAvance(Nombre, progreso, [&] { return GeneroParticiones(plan, zip.valor().corrida, carpeta, &progreso); });
    BorroCorrida(zip.valor().corrida);
    for (const QString& f : r.finales)
        Informo(o, {{QStringLiteral("archivo"), f}}, f);
    if (r.falla) {
        Aviso(ManejoErrores(*r.falla).texto);
        return Fallo;
    }
    return Exito;
}

const QString kAyuda = QStringLiteral(
    "Uso: terv-cli <subcomando> [opciones] argumentos\n"
    "\n"
    "Subcomandos:\n"
    "  sellar ARCHIVO...               agrega el código hash al nombre de cada archivo\n"
    "  verificar ARCHIVO|CARPETA...    comprueba el hash del nombre (--corregir lo cambia)\n"
    "  consultar [--ini RUTA]          consulta al servicio el tamaño máximo publicable (MB)\n"
    "  particionar ARCHIVO [--tamano MB] divide en particiones selladas (tamaño del servicio si falta)\n"
    "  unir PARTICION                  une el juego de particiones, comprobando cada hash\n"
    "  comprimir ARCHIVO...            arma un .zip listo para publicar\n"
    "\n"
    "Cada subcomando acepta --help y --json.\n"
    "Códigos de salida: 0 éxito, 1 datos erróneos o faltantes, 2 uso incorrecto, 3 la operación falló.\n");

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("terv-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TERV_VERSION_TEXTO));
    QTranslator qtEspanol;
    if (qtEspanol.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtEspanol);

    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h")) {
        (args.size() < 2 ? errores() : salida()) << kAyuda << Qt::flush;
        return args.size() < 2 ? UsoMal : Exito;
    }
    if (args[1] == QLatin1String("--version")) {
        salida() << QStringLiteral("terv-cli ") << QStringLiteral(TERV_VERSION_TEXTO) << Qt::endl;
        return Exito;
    }
    const QString sub = args.takeAt(1);
    args[0] = QStringLiteral("terv-cli ") + sub;
    int codigo = UsoMal;
    if (sub == QLatin1String("sellar"))
        codigo = Sellar(args);
    else if (sub == QLatin1String("verificar"))
        codigo = Verificar(args);
    else if (sub == QLatin1String("particionar"))
        codigo = Particionar(args);
    else if (sub == QLatin1String("unir"))
        codigo = Unir(args);
    else if (sub == QLatin1String("comprimir"))
        codigo = Comprimir(args);
    else if (sub == QLatin1String("consultar"))
        codigo = Consultar(args);
    else
        errores() << QStringLiteral("Subcomando desconocido: ") << sub << "\n\n" << kAyuda;
    salida().flush();
    errores().flush();
    return codigo;
}
