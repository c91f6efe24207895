#include "app/cli/subcomandos.h"
#include "app/cli/comun.h"
#include "hash/motor_hash.h"
#include "hash/nombre_hash.h"
#include "system/archivos.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <thread>
#include <vector>

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
