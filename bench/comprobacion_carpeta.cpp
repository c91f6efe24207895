// The folder check as the screen runs it: rows handed over as they are
// checked, then the sets grouped. Exit 0 when every file checked correct.
#include "delivery/comprobacion_carpeta.h"

#include <QCoreApplication>
#include <QTextStream>

#include <atomic>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList rutas = app.arguments().mid(1);
    std::atomic<qsizetype> filas{0};
    Progreso progreso;
    const Comprobacion c =
        CompruebaEntrega({rutas, false, [&](qsizetype, const FilaComprobacion&) { filas.fetch_add(1); }}, &progreso);
    const Resumen r = Resumo(c.filas);
    QTextStream(stdout) << TextoResumen(r) << Qt::endl;
    return r.correctos == r.total() && filas.load() == r.total() ? 0 : 1;
}
