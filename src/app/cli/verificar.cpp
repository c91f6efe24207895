#include "app/cli/comun.h"
#include "app/cli/subcomandos.h"
#include "delivery/comprobacion_carpeta.h"
#include "hash/nombre_hash.h"
#include "hash/operaciones_hash.h"
#include "system/archivos.h"

#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>

namespace {

QString Palabra(const FilaComprobacion& f)
{
    switch (f.estado()) {
    case EstadoFila::Correcto: return QStringLiteral("correcto");
    case EstadoFila::Incorrecto: return QStringLiteral("invalido");
    case EstadoFila::Corregido: return QStringLiteral("corregido");
    case EstadoFila::SinFormato: return QStringLiteral("sin_formato");
    case EstadoFila::Error: break;
    }
    return QStringLiteral("error");
}

QJsonArray Numeros(const QList<int>& numeros)
{
    QJsonArray a;
    for (int n : numeros)
        a.append(n);
    return a;
}

// The facts the folder check's report gives about a partition's set.
QJsonObject Juego(const JuegoParticiones& j)
{
    return {{QStringLiteral("archivo"), j.nombreFinal},
            {QStringLiteral("total"), j.total},
            {QStringLiteral("completo"), j.completo},
            {QStringLiteral("faltan"), Numeros(j.faltan)},
            {QStringLiteral("repetidas"), Numeros(j.repetidas)},
            {QStringLiteral("danadas"), Numeros(j.danadas)}};
}

QString Detalle(const Verificacion& v)
{
    if (!v.falla)
        return {};
    return v.falla->tipo == TipoFalla::ArgumentoInvalido ? TextoSinFormatoHash() : TextoFallaEstampado(*v.falla);
}

} // namespace

int Verificar(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption corregir(
        QStringLiteral("corregir"), QStringLiteral("Cambia el código hash inválido del nombre por el del contenido."));
    o.p.addOption(corregir);
    if (auto r = Analizo(
            o, args, QStringLiteral("ARCHIVO|CARPETA..."),
            QStringLiteral(
                "Comprueba el código hash del nombre de cada archivo (de una carpeta: los que tienen formato de hash)."),
            1))
        return *r;
    QStringList rutas;
    for (const QString& a : o.p.positionalArguments()) {
        if (!QFileInfo(a).isDir() || QFileInfo(a).isSymLink()) {
            rutas << a;
            continue;
        }
        const QStringList sellados = ArchivosConHash(a);
        if (sellados.isEmpty())
            Aviso(a + QStringLiteral(": la carpeta no tiene archivos con código hash en el nombre"));
        rutas << sellados;
    }
    if (rutas.isEmpty())
        return DatosMal; // nothing to check is not a check that passed

    Progreso progreso;
    const bool corrijo = o.p.isSet(corregir);
    const auto hechas = ConAvance(QStringLiteral("verificando"), progreso, [&] {
        return CorroboroArchivos(
            rutas, [corrijo](const Verificacion&) { return corrijo; }, &progreso);
    });
    std::vector<FilaComprobacion> filas;
    for (const Verificacion& v : hechas)
        filas.push_back(FilaDe(v));
    const auto juegos = AgrupoJuegos(filas);
    for (const FilaComprobacion& f : filas) {
        const Verificacion& v = f.v;
        const QString estado = Palabra(f);
        QString texto = estado.toUpper() + QLatin1Char(' ') + v.ruta;
        if (v.estado == EstadoHash::Invalido)
            texto += QStringLiteral(" (HASH del archivo: ") + v.hashArchivo + QLatin1Char(')');
        if (!v.nueva.isEmpty())
            texto += QStringLiteral(" -> ") + v.nueva;
        const QString detalle = Detalle(v);
        if (!detalle.isEmpty())
            Aviso(v.ruta + QStringLiteral(": ") + detalle);
        QJsonObject j{{QStringLiteral("archivo"), v.ruta}, {QStringLiteral("estado"), estado}};
        if (!v.hashNombre.isEmpty())
            j.insert(QStringLiteral("hashNombre"), v.hashNombre);
        if (!v.hashArchivo.isEmpty())
            j.insert(QStringLiteral("hashArchivo"), v.hashArchivo);
        if (!v.nueva.isEmpty())
            j.insert(QStringLiteral("nuevo"), v.nueva);
        if (v.falla && f.estado() == EstadoFila::Error)
            j.insert(QStringLiteral("error"), detalle);
        if (f.tamano >= 0)
            j.insert(QStringLiteral("tamano"), f.tamano);
        if (f.juego >= 0)
            j.insert(QStringLiteral("juego"), Juego(juegos[size_t(f.juego)]));
        Informo(o, j, texto);
    }
    const Resumen r = Resumo(filas);
    // A correction that could not be made is a failed operation, not wrong data.
    const bool sinCorregir = std::any_of(filas.begin(), filas.end(), [](const FilaComprobacion& f) {
        return f.v.estado == EstadoHash::Invalido && f.v.falla;
    });
    if (SeCancelo() || r.errores || sinCorregir)
        return Fallo;
    return r.incorrectos || r.sinFormato ? DatosMal : Exito;
}
