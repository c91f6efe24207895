#include "app/pantallas/frminicio.h"
#include "config/pantallas/compartido.h"
#include "delivery/entrega.h"
#include "delivery/pantallas/frmcomprobacioncarpeta.h"
#include "join/pantallas/unir.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// What the table shows: name -> state, the sets' rows included, as filtered.
std::map<QString, QString> Filas(QWidget& f)
{
    std::map<QString, QString> filas;
    QAbstractItemModel* m = Control<QTreeView>(f, "tblArchivos")->model();
    std::function<void(const QModelIndex&)> recorro = [&](const QModelIndex& padre) {
        for (int r = 0; r < m->rowCount(padre); ++r) {
            filas[m->index(r, 0, padre).data().toString()] = m->index(r, 5, padre).data().toString();
            recorro(m->index(r, 0, padre));
        }
    };
    recorro({});
    return filas;
}

void Elijo(Escenario& e, FrmComprobacionCarpeta& f, const QString& carpeta)
{
    e.dialogos.carpetas.push_back(carpeta);
    QTest::mouseClick(Control<QPushButton>(f, "cmdCarpeta"), Qt::LeftButton);
}

// A delivery chosen with the folder button: its rows as they come and once
// done, the summary, the filter; then part of it dropped on the screen.
TEST(PantallaComprobacionCarpeta, FilasYResumenDeUnaEntrega)
{
    Escenario e;
    Entrega d;
    FrmComprobacionCarpeta f(e.ctx);
    f.show();
    Control<QCheckBox>(f, "chkSubcarpetas")->setChecked(true);
    // The folders of the rows shown while the check runs.
    QStringList enCurso;
    QAbstractItemModel* tabla = Control<QTreeView>(f, "tblArchivos")->model();
    bool terminada = false; // the result replaces the rows shown while running
    QObject::connect(tabla, &QAbstractItemModel::rowsAboutToBeRemoved, &f, [&] { terminada = !enCurso.isEmpty(); });
    QObject::connect(tabla, &QAbstractItemModel::rowsInserted, &f, [&](const QModelIndex& padre, int desde, int hasta) {
        for (int r = desde; r <= hasta && !terminada; ++r)
            enCurso << tabla->index(r, 1, padre).data().toString();
    });
    // A quick double click on the folder button chooses, and checks, once.
    e.dialogos.carpetas.push_back(d.raiz);
    DosClicsSeguidos(Control<QPushButton>(f, "cmdCarpeta"));
    EXPECT_EQ(e.dialogos.leyendas.size(), 1);
    EXPECT_TRUE(e.dialogos.vistas.isEmpty());
    enCurso.sort();
    EXPECT_EQ(enCurso, QStringList(8, QStringLiteral(".")) << QStringLiteral("sub"));
    // Sizes with thousands separators, as the summary's bytes.
    auto* vista = Control<QTreeView>(f, "tblArchivos");
    const QModelIndex bueno =
        tabla->match(tabla->index(0, 0), Qt::DisplayRole, NombreDeRuta(d.bueno), 1, Qt::MatchRecursive).value(0);
    ASSERT_TRUE(bueno.isValid());
    EXPECT_EQ(qobject_cast<QStyledItemDelegate*>(vista->itemDelegate())
                  ->displayText(bueno.siblingAtColumn(2).data(), vista->locale()),
              QStringLiteral("3.000"));
    const auto filas = Filas(f);
    const std::map<QString, QString> esperadas{
        {NombreDeRuta(d.bueno), QStringLiteral("Correcto")},
        {NombreDeRuta(d.malo), QStringLiteral("Incorrecto")},
        {NombreDeRuta(d.suelto), QStringLiteral("Sin formato")},
        {NombreDeRuta(d.sinPunto), QStringLiteral("Sin formato")},
        {NombreDeRuta(d.enlace), QStringLiteral("Error")},
        {NombreDeRuta(d.fifo), QStringLiteral("Error")},
        {NombreDeRuta(d.juego[0]), QStringLiteral("Correcto")},
        {NombreDeRuta(d.juego[1]), QStringLiteral("Incorrecto")},
        {NombreDeRuta(d.sub), QStringLiteral("Correcto")},
        {QStringLiteral("Juego de particiones: informe.zip"), QStringLiteral("Incompleto")},
    };
    EXPECT_EQ(filas, esperadas);
    EXPECT_EQ(Control<QLabel>(f, "lblResumen")->text(),
              QStringLiteral(
                  "9 archivos: 3 correctos, 2 incorrectos, 2 sin formato, 2 con error. Bytes comprobados: 14.700"));

    // Filtered by state; a set stays while one of its partitions is shown.
    Control<QComboBox>(f, "cboEstado")->setCurrentText(QStringLiteral("Incorrecto"));
    EXPECT_EQ(Filas(f),
              (std::map<QString, QString>{
                  {NombreDeRuta(d.malo), QStringLiteral("Incorrecto")},
                  {NombreDeRuta(d.juego[1]), QStringLiteral("Incorrecto")},
                  {QStringLiteral("Juego de particiones: informe.zip"), QStringLiteral("Incompleto")}}));
    Control<QComboBox>(f, "cboEstado")->setCurrentText(QStringLiteral("Todos"));
    EXPECT_EQ(Filas(f).size(), esperadas.size());

    // Files and folders dropped together are checked together.
    QMimeData datos;
    datos.setUrls({QUrl::fromLocalFile(d.bueno), QUrl::fromLocalFile(d.raiz + QStringLiteral("/sub"))});
    QDragEnterEvent entra(QPoint(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &entra);
    EXPECT_TRUE(entra.isAccepted());
    QDropEvent suelta(QPointF(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &suelta);
    EXPECT_EQ(Filas(f),
              (std::map<QString, QString>{{NombreDeRuta(d.bueno), QStringLiteral("Correcto")},
                                          {NombreDeRuta(d.sub), QStringLiteral("Correcto")}}));
    EXPECT_EQ(Control<QLineEdit>(f, "txtOrigen")->text(),
              d.bueno + QStringLiteral("; ") + d.raiz + QStringLiteral("/sub"));
}

// Only the wrongly stamped are renamed, once the operator confirms (the damaged
// partition keeps the hash that tells the join it is damaged); the report
// saved afterwards tells the check as corrected.
TEST(PantallaComprobacionCarpeta, CorregirTrasConfirmarYGuardarInforme)
{
    Escenario e;
    Entrega d;
    FrmComprobacionCarpeta f(e.ctx);
    Elijo(e, f, d.raiz);
    const QStringList antes = Archivos(d.raiz);

    e.dialogos.respuestas.push_back(Respuesta::No);
    QTest::mouseClick(Control<QPushButton>(f, "cmdCorregir"), Qt::LeftButton);
    ASSERT_EQ(e.dialogos.titulos(), QStringList{QStringLiteral("Atención")});
    EXPECT_EQ(
        e.dialogos.vistas[0].texto,
        QStringLiteral(
            "Se cambiará el código Hash del nombre de 1 archivo por el HASH de su contenido.\r\n\r\nDesea cambiarlos?"));
    EXPECT_EQ(e.dialogos.vistas[0].botones, Botones::SiNo);
    EXPECT_EQ(e.dialogos.vistas[0].porDefecto, Respuesta::No);
    EXPECT_EQ(Archivos(d.raiz), antes);

    e.dialogos.respuestas.push_back(Respuesta::Si);
    QTest::mouseClick(Control<QPushButton>(f, "cmdCorregir"), Qt::LeftButton);
    ASSERT_EQ(e.dialogos.vistas.size(), 3);
    EXPECT_EQ(e.dialogos.vistas[2].titulo, QStringLiteral("Corroboración de HASH"));
    const QString nuevo = QStringLiteral("malo_") + HashDe(d.contenidoMalo) + QStringLiteral(".2024.zip");
    QStringList esperado = antes;
    esperado.replace(esperado.indexOf(NombreDeRuta(d.malo)), nuevo);
    esperado.sort();
    EXPECT_EQ(Archivos(d.raiz), esperado);
    EXPECT_EQ(LeoArchivo(d.d.filePath(nuevo)), d.contenidoMalo);
    QAbstractItemModel* m = Control<QTreeView>(f, "tblArchivos")->model();
    const QModelIndex corregida = m->match(m->index(0, 0), Qt::DisplayRole, nuevo, 1, Qt::MatchRecursive).value(0);
    EXPECT_EQ(corregida.siblingAtColumn(6).data().toString(), // the cause column
              QStringLiteral("Nombre anterior: ") + NombreDeRuta(d.malo));
    const auto filas = Filas(f);
    EXPECT_EQ(filas.at(nuevo), QStringLiteral("Corregido"));
    EXPECT_EQ(filas.count(NombreDeRuta(d.malo)), 0u);
    EXPECT_EQ(filas.at(NombreDeRuta(d.juego[1])), QStringLiteral("Incorrecto")); // partitions are never re-stamped
    EXPECT_FALSE(Control<QPushButton>(f, "cmdCorregir")->isEnabled());
    EXPECT_TRUE(Control<QLabel>(f, "lblResumen")->text().contains(QStringLiteral(", 1 corregido.")));

    QTemporaryDir destino;
    e.dialogos.carpetas.push_back(destino.path());
    QTest::mouseClick(Control<QPushButton>(f, "cmdGuardar"), Qt::LeftButton);
    ASSERT_EQ(e.dialogos.vistas.size(), 4);
    EXPECT_EQ(e.dialogos.vistas[3].titulo, QStringLiteral("Guardar informe"));
    const QStringList guardados = Archivos(destino.path());
    ASSERT_EQ(guardados.size(), 3);
    // The report of the check on screen (each row's place in it is the core's concern).
    EXPECT_TRUE(QString::fromUtf8(LeoArchivo(destino.filePath(guardados[1]))).contains(nuevo));
}

TEST(PantallaComprobacionCarpeta, CancelarNoRenombraNada)
{
    Escenario e;
    QTemporaryDir d;
    for (int i = 0; i < 60; ++i) // wrong stamps everywhere
        EscriboArchivo(d.filePath(QStringLiteral("a%1_%2.zip").arg(i).arg(QString(32, QLatin1Char('0')))),
                       Datos(1 << 16, unsigned(i)));
    const QStringList antes = Archivos(d.path());
    FrmComprobacionCarpeta f(e.ctx);
    f.show();
    const auto cancelo = CanceloAlAparecer(&f);
    Elijo(e, f, d.path());
    ASSERT_TRUE(cancelo.hecho);
    EXPECT_TRUE(Control<QLabel>(f, "lblResumen")->text().startsWith(QStringLiteral("Comprobación cancelada. ")));
    EXPECT_LT(Filas(f).size(), 60u);
    EXPECT_EQ(Archivos(d.path()), antes);
    EXPECT_TRUE(e.dialogos.vistas.isEmpty());
    EXPECT_FALSE(f.findChild<QPushButton*>(QStringLiteral("cmdCancelar"))->isVisible());
    EXPECT_TRUE(Control<QPushButton>(f, "cmdCarpeta")->isEnabled());
}

// The menu entry sits after "Comprobación de Hash". "Unir" is on only for a
// complete and sound set, from its row or one of its partitions', and leads to
// the join screen with that set.
TEST(PantallaComprobacionCarpeta, MenuYUnir)
{
    Escenario e;
    FrmInicio menu(e.ctx);
    QMenu* oac = menu.findChild<QMenu*>(QStringLiteral("OAC"));
    ASSERT_NE(oac, nullptr);
    const QList<QAction*> acciones = oac->actions();
    ASSERT_GE(acciones.size(), 2);
    EXPECT_EQ(acciones.last()->text(), QStringLiteral("Comprobación de &Carpeta"));
    EXPECT_EQ(acciones[acciones.size() - 2]->objectName(), QStringLiteral("CompHash"));
    menu.findChild<QAction*>(QStringLiteral("CompCarpeta"))->trigger();
    auto* f = menu.comprobacionCarpeta.data();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->isVisible());

    QTemporaryDir d;
    const QStringList juego = EscriboJuego(d.path(), QStringLiteral("informe.zip"), Corto(Datos(9000, 4), 3));
    EscriboJuego(d.path(), QStringLiteral("otro.zip"), Corto(Datos(9000, 5), 3), {1, 2});
    QSignalSpy union_(f, &FrmComprobacionCarpeta::abroUnion);
    Elijo(e, *f, d.path());
    QTreeView* tabla = Control<QTreeView>(*f, "tblArchivos");
    QPushButton* unir = Control<QPushButton>(*f, "cmdUnir");
    QAbstractItemModel* m = tabla->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        const QString nombre = m->index(r, 0).data().toString();
        tabla->setCurrentIndex(m->index(r, 0));
        EXPECT_EQ(unir->isEnabled(), nombre == QStringLiteral("Juego de particiones: informe.zip"))
            << nombre.toStdString();
        tabla->setCurrentIndex(m->index(0, 0, m->index(r, 0)));
        EXPECT_EQ(unir->isEnabled(), nombre == QStringLiteral("Juego de particiones: informe.zip"))
            << nombre.toStdString();
        if (unir->isEnabled())
            QTest::mouseClick(unir, Qt::LeftButton);
    }
    ASSERT_EQ(union_.count(), 1);
    EXPECT_EQ(union_[0][0].toString(), juego[0]);
    EXPECT_FALSE(f->isVisible());
    ASSERT_NE(menu.unir.data(), nullptr);
    EXPECT_TRUE(menu.unir->isVisible());
}

} // namespace
