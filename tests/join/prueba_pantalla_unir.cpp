// The join screen driven as an operator would: widgets found by name, clicked.
#include "config/archivo_ini.h"
#include "config/pantallas/compartido.h"
#include "join/juegos.h"
#include "join/pantallas/unir.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void Clic(QWidget& f, const char* nombre) { QTest::mouseClick(Control<QPushButton>(f, nombre), Qt::LeftButton); }

QString Estado(QWidget& f) { return Control<QLabel>(f, "lblProg")->text(); }

// The screen with its folders chosen, a set written in the origin and (unless
// told not to) its last partition clicked in the list.
struct Pantalla {
    Escenario e;
    QTemporaryDir origen, destino, fuera;
    QByteArray datos;
    QStringList partes;
    std::unique_ptr<Unir> f;

    explicit Pantalla(qint64 tamano = 200000, int n = 3) : datos(Datos(tamano, 11))
    {
        partes = EscriboJuego(origen.path(), QStringLiteral("informe.zip"), Corto(datos, n));
    }
    void abro(bool eligoParticion = true)
    {
        f = std::make_unique<Unir>(e.ctx);
        f->show();
        e.dialogos.carpetas.push_back(origen.path());
        Clic(*f, "CmdOrigen");
        e.dialogos.carpetas.push_back(destino.path());
        Clic(*f, "cmdDestino");
        if (!eligoParticion)
            return;
        auto* lista = Control<QListWidget>(*f, "File1");
        const auto items = lista->findItems(NombreDeRuta(partes.last()), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << qPrintable(NombreDeRuta(partes.last()));
        lista->scrollToItem(items[0]);
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, lista->visualItemRect(items[0]).center());
    }
    QString final() const { return destino.filePath(QStringLiteral("informe.zip")); }
};

// A set joined as chosen, also one named with upper-case ".PART"/".VESK" and
// picked from the keyboard, also with the names of the list and batch files
// taken, by the operator's own file and by a link: both stay as they were, and
// so does the link's target. Nothing else is left. Two clicks queued before the
// first is handled join once.
TEST(PantallaUnir, UneYLimpia)
{
    enum Caso { Comun, Mayusculas, Ocupados };
    for (const Caso caso : {Comun, Mayusculas, Ocupados}) {
        SCOPED_TRACE(int(caso));
        Pantalla p;
        if (caso == Mayusculas) {
            for (QString& parte : p.partes) {
                const QString minusculas = parte;
                parte.replace(QStringLiteral(".part"), QStringLiteral(".PART"))
                    .replace(QStringLiteral(".vesk"), QStringLiteral(".VESK"));
                ASSERT_TRUE(QFile::rename(minusculas, parte));
            }
        }
        const QString ajeno = EscriboArchivo(p.fuera.filePath(QStringLiteral("ajeno")), "ajeno");
        const QString lista = p.origen.filePath(QStringLiteral("arcVSK.txt"));
        const QString lote = p.origen.filePath(QStringLiteral("informe.zip.bat"));
        if (caso == Ocupados) {
            EscriboArchivo(lista, "del operador\r\n");
            ASSERT_TRUE(QFile::link(ajeno, lote));
        }
        p.abro(caso != Mayusculas);
        auto* elegida = Control<QListWidget>(*p.f, "File1");
        if (caso == Mayusculas) { // picked from the keyboard
            elegida->setFocus();
            QTest::keyClick(elegida, Qt::Key_End);
        }
        ASSERT_TRUE(elegida->currentItem());
        EXPECT_EQ(elegida->currentItem()->toolTip(), elegida->currentItem()->text()); // names cut in the middle
        EXPECT_EQ(elegida->textElideMode(), Qt::ElideMiddle);
        EXPECT_EQ(Control<QLineEdit>(*p.f, "txtOrigen")->text(), p.origen.path());
        EXPECT_EQ(Control<QListWidget>(*p.f, "File2")->count(), 3);
        const QStringList antes = Archivos(p.origen.path());
        DosClicsSeguidos(Control<QPushButton>(*p.f, "cmdUnir"));
        ASSERT_EQ(p.e.dialogos.titulos(), QStringList{QStringLiteral("TERV")});
        EXPECT_EQ(p.e.dialogos.vistas[0].texto, QStringLiteral("El archivo fue armado exitosamente"));
        EXPECT_EQ(p.e.dialogos.vistas[0].icono, Icono::Ninguno);
        EXPECT_EQ(Estado(*p.f), QStringLiteral("Unión de Particiones finalizada con éxito..."));
        EXPECT_EQ(LeoArchivo(p.final()), p.datos);
        EXPECT_EQ(Archivos(p.destino.path()), QStringList{QStringLiteral("informe.zip")});
        EXPECT_EQ(Archivos(p.origen.path()), antes); // no list, batch or temporary left
        EXPECT_EQ(LeoArchivo(lista), caso == Ocupados ? QByteArray("del operador\r\n") : QByteArray());
        EXPECT_EQ(QFileInfo(lote).isSymLink(), caso == Ocupados);
        EXPECT_EQ(LeoArchivo(ajeno), QByteArray("ajeno"));
        EXPECT_FALSE(Control<QPushButton>(*p.f, "cmdCancelar")->isVisible());
        EXPECT_TRUE(Control<QPushButton>(*p.f, "cmdUnir")->isEnabled());
    }
}

// The questions about damage, in their order, and what the status line says.
TEST(PantallaUnir, ParticionDanada)
{
    struct Caso {
        const char* nombre;
        bool existe;
        QList<Respuesta> respuestas;
        QStringList titulos;
        const char* estado;
        bool entregado;
    } casos[] = {
        // clang-format off
        {"no se conserva", false, {Respuesta::No}, {QStringLiteral("Atención")}, "Unión cancelada: particiones dañadas", false},
        {"se conserva", false, {Respuesta::Si}, {QStringLiteral("Atención"), QStringLiteral("TERV")},
         "Unión de Particiones finalizada: el archivo armado está dañado", true},
        {"no reemplaza al bueno", true, {Respuesta::Si, Respuesta::No}, {QStringLiteral("Atención"), QStringLiteral("Atención")},
         "Unión cancelada: el archivo existente no fue reemplazado", false},
        {"reemplaza al bueno", true, {Respuesta::Si, Respuesta::Si},
         {QStringLiteral("Atención"), QStringLiteral("Atención"), QStringLiteral("TERV")},
         "Unión de Particiones finalizada: el archivo armado está dañado", true},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Pantalla p;
        QByteArray segunda = LeoArchivo(p.partes[1]);
        segunda[100] = char(segunda[100] ^ 1);
        EscriboArchivo(p.partes[1], segunda);
        if (c.existe)
            EscriboArchivo(p.final(), "bueno");
        p.abro();
        p.e.dialogos.respuestas.assign(c.respuestas.begin(), c.respuestas.end());
        Clic(*p.f, "cmdUnir");
        ASSERT_EQ(p.e.dialogos.titulos(), c.titulos);
        const CajaVista& primera = p.e.dialogos.vistas[0];
        EXPECT_TRUE(primera.texto.startsWith(QStringLiteral("El contenido de la partición 002 no coincide")));
        EXPECT_EQ(primera.botones, Botones::SiNo);
        EXPECT_EQ(primera.porDefecto, Respuesta::No);
        if (c.existe) {
            EXPECT_TRUE(p.e.dialogos.vistas[1].texto.contains(p.final()));
            EXPECT_EQ(p.e.dialogos.vistas[1].porDefecto, Respuesta::No);
        }
        if (c.entregado) {
            EXPECT_TRUE(
                p.e.dialogos.vistas.last().texto.startsWith(QStringLiteral("El archivo fue armado, pero está dañado")));
            EXPECT_EQ(p.e.dialogos.vistas.last().icono, Icono::Exclamacion);
        }
        EXPECT_EQ(Estado(*p.f), QString::fromUtf8(c.estado));
        const QByteArray esperado = c.entregado ? LeoArchivo(p.partes[0]) + segunda + LeoArchivo(p.partes[2])
                                                : (c.existe ? QByteArray("bueno") : QByteArray());
        EXPECT_EQ(LeoArchivo(p.final()), esperado);
        EXPECT_EQ(Archivos(p.destino.path()).size(), c.entregado || c.existe ? 1 : 0);
        EXPECT_EQ(Archivos(p.origen.path()).size(), 3); // partitions are never touched
    }
}

// A set short of a partition is refused at the click, naming the missing one.
TEST(PantallaUnir, FaltaUnaParticion)
{
    Pantalla p(200000, 4);
    QFile::remove(p.partes[1]);
    p.partes.removeAt(1);
    p.abro();
    ASSERT_EQ(p.e.dialogos.titulos(), QStringList{QStringLiteral("ERROR")});
    EXPECT_EQ(p.e.dialogos.vistas[0].icono, Icono::Critico);
    EXPECT_EQ(
        p.e.dialogos.vistas[0].texto,
        QStringLiteral("Faltan particiones del archivo que está intenando generar, corrobore e intente nuevamente\r\n"
                       "Falta la partición 002."));
    EXPECT_TRUE(Control<QLineEdit>(*p.f, "txtOrigen")->text().isEmpty());
    EXPECT_TRUE(Control<QLineEdit>(*p.f, "txtDestino")->text().isEmpty());
    EXPECT_FALSE(Control<QPushButton>(*p.f, "cmdUnir")->isEnabled());
    EXPECT_TRUE(Archivos(p.destino.path()).isEmpty());
}

// A ".vesk" file that is not a partition; leaving keeps the destination folder.
TEST(PantallaUnir, SinParticionesYSalida)
{
    Pantalla p;
    p.partes << EscriboArchivo(p.origen.filePath(QStringLiteral("notas.vesk")), "x");
    p.abro();
    ASSERT_EQ(p.e.dialogos.titulos(), QStringList{QStringLiteral("Error")});
    EXPECT_EQ(p.e.dialogos.vistas[0].icono, Icono::Exclamacion);
    EXPECT_EQ(p.e.dialogos.vistas[0].texto,
              QStringLiteral(
                  "El archivo seleccionado no dispone de particiones, corrobore el directorio y archivo seleccionado"));
    EXPECT_FALSE(Control<QPushButton>(*p.f, "cmdUnir")->isEnabled());
    Clic(*p.f, "cmdSalir");
    EXPECT_EQ(LeoValorINI(compartido().RutaIni, QStringLiteral("NETWORK"), QStringLiteral("PARTGUAR")),
              p.destino.path());
}

// A partition that is a link is refused with its cause; nothing is delivered.
TEST(PantallaUnir, ParticionEnlazada)
{
    Pantalla p;
    const QString copia = EscriboArchivo(p.fuera.filePath(QStringLiteral("copia")), LeoArchivo(p.partes[1]));
    QFile::remove(p.partes[1]);
    ASSERT_EQ(::symlink(QFile::encodeName(copia).constData(), QFile::encodeName(p.partes[1]).constData()), 0);
    p.abro();
    Clic(*p.f, "cmdUnir");
    ASSERT_EQ(p.e.dialogos.titulos(), (QStringList{QStringLiteral("TERV"), QStringLiteral("ERROR")}));
    EXPECT_TRUE(p.e.dialogos.vistas[0].texto.contains(QStringLiteral("enlace")))
        << qPrintable(p.e.dialogos.vistas[0].texto);
    EXPECT_EQ(
        p.e.dialogos.vistas[1].texto,
        QStringLiteral(
            "Hubo un error en el armado del Archivo, corrobore tener todas las particiones del archivo en cuestión."));
    EXPECT_TRUE(Estado(*p.f).isEmpty());
    EXPECT_TRUE(Archivos(p.destino.path()).isEmpty());
}

// "Cancelar" beside the progress stops the join: nothing delivered, partitions kept.
TEST(PantallaUnir, Cancelar)
{
    Pantalla p;
    p.abro();
    const QStringList antes = Archivos(p.origen.path());
    const auto cancelo = CanceloAlAparecer(p.f.get());
    Clic(*p.f, "cmdUnir");
    ASSERT_TRUE(cancelo.hecho);
    ASSERT_EQ(p.e.dialogos.titulos(), QStringList{QStringLiteral("TERV")});
    EXPECT_EQ(p.e.dialogos.vistas[0].icono, Icono::Informacion);
    EXPECT_EQ(p.e.dialogos.vistas[0].texto,
              QStringLiteral("Unión de particiones cancelada por el usuario: no se guardó el archivo armado."));
    EXPECT_EQ(Estado(*p.f), QStringLiteral("Unión cancelada por el usuario"));
    EXPECT_TRUE(Archivos(p.destino.path()).isEmpty());
    EXPECT_EQ(Archivos(p.origen.path()), antes);
    EXPECT_EQ(Control<QProgressBar>(*p.f, "barra")->value(), 0);
}

} // namespace
