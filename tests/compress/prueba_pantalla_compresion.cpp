// The compression screen driven as an operator would: widgets found by name,
// answers scripted, the real archive on disk.
#include "compress/pantallas/frmcompriarchmulti.h"
#include "compress/zip_prueba.h"
#include "config/pantallas/compartido.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"
#include "system/archivos.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Pantalla {
    Escenario e;
    QTemporaryDir d;
    bool fijado = (compartido().TamanoMaximoMB = 20, true); // read by the screen as it loads
    FrmCompriArchMulti f{e.ctx};
    Pantalla() { f.show(); }
    template <class T>
    T* hijo(const char* nombre)
    {
        return Control<T>(f, nombre);
    }
    void agrego(const QStringList& rutas)
    {
        e.dialogos.listas.push_back(rutas);
        QTest::mouseClick(hijo<QPushButton>("cmdAddFiles"), Qt::LeftButton);
    }
    void proceso(const QString& nombre, const QString& mb)
    {
        hijo<QLineEdit>("txtNombArc")->setText(nombre);
        hijo<QLineEdit>("txtMB")->setText(mb);
        QTest::mouseClick(hijo<QPushButton>("cmdProcesar"), Qt::LeftButton);
    }
    QString estado()
    {
        return hijo<QLabel>("lblMensaje")->isVisible() ? hijo<QLabel>("lblMensaje")->text() : QString();
    }
    QColor color() { return hijo<QLabel>("lblMensaje")->palette().color(QPalette::WindowText); }
    QStringList nuevos(const QStringList& propios)
    {
        QStringList n = Todo(d.path());
        for (const QString& p : propios)
            n.removeAll(NombreDeRuta(p));
        return n;
    }
};

const QColor kRojo(255, 0, 0), kVerde(0, 192, 0);

// The three outcomes, with the boxes of each in their order.
TEST(PantallaCompresion, Desenlaces)
{
    struct Caso {
        const char* nombre;
        const char* mb;
        QList<Respuesta> respuestas;
        const char* titulos; // of the boxes, in order
        const char* estado;
        QColor color;
        int nuevos;
        bool previo = false; // paquete.zip is there already
    } casos[] = {
        // clang-format off
        {"entra: sellado", "20", {}, "TERV", "Archivo armado exitosamente", kVerde, 1},
        {"no entra: 1.5 MB, con punto decimal", "1.5", {Respuesta::Si, Respuesta::Aceptar},
         "Atención|Particionador de Archivos|Partición de archivo Correcta", "Particiones generadas con Éxito", kVerde, 2},
        {"no entra: cancela al confirmar", "1", {Respuesta::Si, Respuesta::Cancelar},
         "Atención|Particionador de Archivos", "Generación de particiones cancelada por el usuario", kRojo, 0},
        // Asked whether to replace it (No by default); on No the old one stays and the new one takes a free name.
        {"no entra: entero, no reemplaza", "1", {Respuesta::No, Respuesta::No}, "Atención|TERV|TERV",
         "Generación de particiones cancelada por el usuario", kRojo, 1, true},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Pantalla p;
        const QStringList rutas{EscriboArchivo(p.d.filePath(QStringLiteral("uno.bin")), Datos(1500000, 1)),
                                EscriboArchivo(p.d.filePath(QStringLiteral("dos.bin")), Datos(1000000, 2))};
        const QString previo =
            c.previo ? EscriboArchivo(p.d.filePath(QStringLiteral("paquete.zip")), "de antes") : QString();
        p.agrego(rutas);
        for (Respuesta r : c.respuestas)
            p.e.dialogos.respuestas.push_back(r);
        p.hijo<QLineEdit>("txtNombArc")->setText(QStringLiteral("paquete"));
        p.hijo<QLineEdit>("txtMB")->setText(QString::fromLatin1(c.mb));
        // Two clicks posted before the first is handled give one run, not two.
        DosClicsSeguidos(p.hijo<QPushButton>("cmdProcesar"));
        EXPECT_EQ(p.e.dialogos.titulos().join(QLatin1Char('|')), QString::fromUtf8(c.titulos));
        EXPECT_EQ(p.estado(), QString::fromUtf8(c.estado));
        EXPECT_EQ(p.color(), c.color);
        const QStringList nuevos = p.nuevos(rutas + QStringList{previo});
        EXPECT_EQ(nuevos.size(), c.nuevos) << qPrintable(nuevos.join(QLatin1Char(' ')));
        if (!c.respuestas.isEmpty()) {
            const CajaVista& pregunta = p.e.dialogos.vistas[0];
            EXPECT_EQ(pregunta.texto,
                      QStringLiteral("El tamaño del/los archivos comprimidos supera el máximo permitido (")
                          + QString::fromLatin1(c.mb) + QStringLiteral("MB). Desea Particionar el archivo?"));
            EXPECT_EQ(pregunta.icono, Icono::Pregunta);
            EXPECT_EQ(pregunta.botones, Botones::SiNo);
            EXPECT_EQ(pregunta.porDefecto, Respuesta::No);
        }
        if (c.previo) {
            const CajaVista& reemplazo = p.e.dialogos.vistas[1];
            EXPECT_EQ(reemplazo.texto,
                      QStringLiteral("Ya existe el archivo ") + previo
                          + QStringLiteral(". ¿Desea reemplazarlo por el archivo comprimido nuevo?"));
            EXPECT_EQ(reemplazo.botones, Botones::SiNo);
            EXPECT_EQ(reemplazo.porDefecto, Respuesta::No);
            EXPECT_TRUE(p.e.dialogos.vistas[2].texto.contains(QStringLiteral("paquete (2).zip")));
            EXPECT_EQ(nuevos, QStringList{QStringLiteral("paquete (2).zip")});
        }
        EXPECT_FALSE(p.hijo<QWidget>("frmPartArcMult")->isVisible());
        EXPECT_TRUE(p.hijo<QPushButton>("cmdVolver")->isEnabled());
        EXPECT_TRUE(Temporales(p.d.path()).isEmpty());
    }
}

// A refusal is said in a box before anything is built: names equal but for
// letter case collide as equal names do. Without a name Procesar stays disabled.
TEST(PantallaCompresion, NombresRechazados)
{
    const std::pair<const char*, const char*> casos[] = {{"paquete", "tienen el mismo nombre"}, {"", nullptr}};
    for (const auto& [nombre, por] : casos) {
        SCOPED_TRACE(nombre);
        Pantalla p;
        const QString uno = EscriboArchivo(p.d.filePath(QStringLiteral("Uno.txt")), "uno");
        const QString dos = EscriboArchivo(p.d.filePath(QStringLiteral("uno.TXT")), "dos");
        p.agrego({uno, dos});
        p.proceso(QString::fromUtf8(nombre), QStringLiteral("20"));
        EXPECT_EQ(p.nuevos({uno, dos}), QStringList());
        EXPECT_EQ(p.estado(), QString());
        if (!por) {
            EXPECT_FALSE(p.hijo<QPushButton>("cmdProcesar")->isEnabled());
            EXPECT_TRUE(p.e.dialogos.vistas.isEmpty());
            continue;
        }
        ASSERT_EQ(p.e.dialogos.vistas.size(), 1);
        EXPECT_EQ(p.e.dialogos.vistas[0].icono, Icono::Exclamacion);
        EXPECT_TRUE(p.e.dialogos.vistas[0].texto.contains(QString::fromUtf8(por)))
            << qPrintable(p.e.dialogos.vistas[0].texto);
    }
}

// Ticking the date box adds the date of the context's clock to the name, and
// the archive takes that name; unticking gives the name back.
TEST(PantallaCompresion, FechaDelReloj)
{
    Pantalla p;
    p.e.reloj.fecha = QDate(2026, 12, 5);
    const QString informe = EscriboArchivo(p.d.filePath(QStringLiteral("informe.txt")), "informe");
    p.agrego({informe});
    auto* fecha = p.hijo<QCheckBox>("chkAgregarFyV");
    auto* nombre = p.hijo<QLineEdit>("txtNombArc");
    fecha->click();
    EXPECT_EQ(nombre->text(), QStringLiteral("informe_20261205_01"));
    QTest::mouseClick(p.hijo<QPushButton>("cmdProcesar"), Qt::LeftButton);
    const QStringList nuevos = p.nuevos({informe});
    ASSERT_EQ(nuevos.size(), 1);
    const QString armado = p.d.filePath(nuevos[0]);
    EXPECT_EQ(nuevos[0], QStringLiteral("informe_20261205_01_") + Md5sum(armado) + QStringLiteral(".zip"));
    fecha->click();
    EXPECT_EQ(nombre->text(), QStringLiteral("informe"));
}

// "Cancelar" beside the progress stops the run and leaves nothing.
TEST(PantallaCompresion, Cancelar)
{
    Pantalla p;
    const QString uno = EscriboArchivo(p.d.filePath(QStringLiteral("uno.bin")), Datos(2 << 20, 3));
    p.agrego({uno});
    // Pressed as it shows, with the run under way (the core's table cancels mid-file).
    bool visto = false;
    const AlEvento cancelo(&p.f, "cmdCancelar", QEvent::Show, [&] {
        visto = p.estado() == QStringLiteral("Armando Archivo... Por Favor espere...")
            && p.hijo<QWidget>("ProgressBar1")->isVisible() && !p.hijo<QPushButton>("cmdProcesar")->isEnabled();
        p.hijo<QPushButton>("cmdCancelar")->click();
    });
    p.proceso(QStringLiteral("paquete"), QStringLiteral("20"));
    EXPECT_TRUE(visto);
    EXPECT_EQ(p.estado(), QStringLiteral("Proceso cancelado por el usuario"));
    EXPECT_EQ(p.color(), kRojo);
    EXPECT_TRUE(p.e.dialogos.vistas.isEmpty());
    EXPECT_EQ(p.nuevos({uno}), QStringList());
}

} // namespace
