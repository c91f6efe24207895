#include "config/compartido.h"
#include "partition/pantallas/cortar.h"
#include "partition/pantallas/mensajes_particion.h"
#include "partition/particionado.h"
#include "soporte/utiles.h"
#include "system/archivos.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

constexpr qint64 MB = 1048576;

TEST(Particionado, Cantidad)
{
    struct Caso {
        qint64 F, S;
        int N;
        qint64 L; // -1: untouched
    } casos[] = {
        {25 * MB, 10 * MB, 3, 5 * MB},
        {20 * MB, 10 * MB, 2, 10 * MB},
        {10 * MB + 1, 10 * MB, 2, 1},
        {10 * MB, 10 * MB, 1, 10 * MB},
        {0, 10 * MB, 0, -1},
        {327 * MB, MB, 327, MB},
        {327 * MB + 1, MB, 328, -1},
        {5, 0, 328, -1},               // no endless loop
        {4LL << 30, 20 * MB, 205, 16 * MB}, // 4 GiB: no 32-bit overflow
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.F);
        qint64 L = -1;
        const int N = CantidadParticiones(c.F, c.S, L);
        if (c.N > kMaximoParticiones) {
            EXPECT_GT(N, kMaximoParticiones);
        } else {
            EXPECT_EQ(N, c.N);
        }
        if (c.L >= 0) {
            EXPECT_EQ(L, c.L);
        }
    }
}

TEST(Particionado, NombresYTextos)
{
    const auto p = SeparoNombre(QStringLiteral("informe.final.zip"));
    const QString h(32, QLatin1Char('A'));
    EXPECT_EQ(NombreFinalParticion(*p, h, 1, 3), QStringLiteral("informe_") + h + QStringLiteral(".final.zip.part001.003.vesk"));
    EXPECT_EQ(NombreFinalParticion(*SeparoNombre(QStringLiteral("acta_.zip")), h, 2, 2),
              QStringLiteral("acta_") + h + QStringLiteral(".zip.part002.002.vesk"));
    EXPECT_EQ(MensajeParticiones(3, 10 * MB, 5 * MB),
              QStringLiteral("Este programa generará 2 particiones de 10485760 Bytes de tamaño y una de 5242880 Bytes.\r\n\r\n"
                             "No obstante la publicación de cada partición estará supeditada al tamaño máximo establecido para el mismo \r\n"
                             "en el sistema de Intercambio.\r\n\r\n"
                             "Antes de generar las particiones y generarles el código Hash, verifique que el formato del nombre del archivo esté \r\n"
                             "correcto de acuerdo a lo definido para el ítem que desea publicar, ya que las mismas reglas de nombrado se aplicarán \r\n"
                             "a los nombres de las particiones, a excepción de las extensiones de las mismas."));
    const Mensaje chico = MensajeRechazo(RechazoParticion::MuyChico);
    EXPECT_EQ(chico.titulo, QStringLiteral("Incompatibilidad de Tamaños"));
    EXPECT_EQ(chico.texto, QStringLiteral("El tamaño del archivo seleccionado es menor al necesario para ser particionado, en este caso debe\r\n"
                                          "Ingresar por la Opción \"Código Hash \" del Menú principal"));
    const Mensaje muchas = MensajeRechazo(RechazoParticion::Demasiadas);
    EXPECT_EQ(muchas.titulo, QStringLiteral("Error - Demasiadas Particiones"));
    EXPECT_EQ(muchas.icono, Icono::Ninguno);
}

// Plans a split of a file written in d, in pieces of S bytes.
PlanParticion Plan(const QTemporaryDir& d, const QString& nombre, const QByteArray& datos, qint64 S)
{
    PlanParticion plan;
    const QString ruta = EscriboArchivo(d.filePath(nombre), datos);
    EXPECT_EQ(PlanificoParticion(ruta, datos.size(), S, plan), RechazoParticion::Ninguno);
    return plan;
}

TEST(Particionado, ElJuegoReproduceElOrigen)
{
    QTemporaryDir d;
    QDir().mkpath(d.filePath(QStringLiteral("destino")));
    const QString destino = d.filePath(QStringLiteral("destino"));
    const QByteArray datos = Datos(25 * 4096 + 7);
    const PlanParticion plan = Plan(d, QStringLiteral("informe.zip"), datos, 10 * 4096);
    ASSERT_EQ(plan.N, 3);
    Progreso progreso;
    const ResultadoParticion r = GeneroParticiones(plan, destino, false, &progreso);
    ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
    ASSERT_EQ(r.finales.size(), 3);
    QByteArray junto;
    for (int i = 0; i < 3; ++i) {
        const QString nombre = NombreDeRuta(r.finales[i]);
        const QByteArray parte = LeoArchivo(r.finales[i]);
        EXPECT_EQ(nombre, QStringLiteral("informe_") + Md5sum(r.finales[i]) + QStringLiteral(".zip.part00%1.003.vesk").arg(i + 1));
        EXPECT_EQ(parte.size(), i < 2 ? 40960 : 20487);
        junto += parte;
    }
    EXPECT_EQ(junto, datos);
    EXPECT_EQ(Archivos(destino).size(), 3); // no working name left
    EXPECT_EQ(LeoArchivo(plan.origen), datos);
}

TEST(Particionado, FallasNoDejanBasura)
{
    QTemporaryDir d;
    const QString destino = d.filePath(QStringLiteral("destino"));
    QDir().mkpath(destino);
    const QByteArray datos = Datos(30000, 7);
    const PlanParticion plan = Plan(d, QStringLiteral("acta.zip"), datos, 10000);

    // A file that carries an old working name is somebody's file: left as it is.
    const QString ajeno = EscriboArchivo(destino + QStringLiteral("/acta.zip.part001.003.vesk"), Datos(99999, 3));
    const ResultadoParticion primera = GeneroParticiones(plan, destino);
    ASSERT_FALSE(primera.falla);
    EXPECT_EQ(LeoArchivo(primera.finales[0]), datos.left(10000));
    EXPECT_EQ(LeoArchivo(ajeno), Datos(99999, 3));
    const QStringList antes = Archivos(destino);
    EXPECT_EQ(antes.size(), 4);

    // The set is already there: the first rename refuses, nothing changes.
    const ResultadoParticion segunda = GeneroParticiones(plan, destino);
    ASSERT_TRUE(segunda.falla);
    EXPECT_EQ(segunda.falla->tipo, TipoFalla::YaExiste);
    EXPECT_EQ(Archivos(destino), antes);
    EXPECT_EQ(ManejoErrores(*segunda.falla).texto, QStringLiteral("Ya existe un Archivo con ese mismo nombre en el Directorio indicado."));

    // A destination that is not there: an error, and no file anywhere.
    const ResultadoParticion tercera = GeneroParticiones(plan, d.filePath(QStringLiteral("falta")));
    ASSERT_TRUE(tercera.falla);
    EXPECT_EQ(ManejoErrores(*tercera.falla).texto.section(QStringLiteral("\r\n"), 0, 0),
              QStringLiteral("Se detectó un error y la aplicación se cerrará."));
    EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("acta.zip")});
    EXPECT_EQ(Archivos(destino), antes);
}

TEST(Particionado, CancelarBorraLoEmpezado)
{
    QTemporaryDir d;
    const PlanParticion plan = Plan(d, QStringLiteral("x.zip"), Datos(8 * MB), MB);
    Progreso progreso;
    progreso.cancelar.store(true);
    const ResultadoParticion r = GeneroParticiones(plan, d.path(), false, &progreso);
    ASSERT_TRUE(r.falla);
    EXPECT_EQ(r.falla->tipo, TipoFalla::Cancelado);
    EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("x.zip")});
}

// The screen from choice to success, with the operator's answers scripted.
TEST(PantallaCortar, ParticionaYAvisa)
{
    struct Caso {
        const char* nombre;
        Respuesta confirmacion;
        int partes; // files expected in the destination
        QStringList titulos;
    } casos[] = {
        {"acepta", Respuesta::Aceptar, 3, {QStringLiteral("Particionador de Archivos"), QStringLiteral("Partición de archivo Correcta")}},
        {"cancela", Respuesta::Cancelar, 0, {QStringLiteral("Particionador de Archivos")}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Escenario e;
        compartido().TamanoMaximoMB = 1;
        CalculoTamanoBytes();
        QTemporaryDir d;
        const QString origen = EscriboArchivo(d.filePath(QStringLiteral("informe.zip")), Datos(2 * MB + 5));
        QTemporaryDir destino;
        Cortar f(e.ctx);
        e.dialogos.archivos.push_back(origen);
        f.cmdElegir->click();
        EXPECT_EQ(f.Label1->text(), QStringLiteral("Tamaño del archivo es de: 2097157 Bytes"));
        f.txtCarpeta->setText(destino.path());
        e.dialogos.respuestas.push_back(c.confirmacion);
        f.cmdParticionar->click();
        EXPECT_EQ(e.dialogos.titulos(), c.titulos);
        EXPECT_EQ(Archivos(destino.path()).size(), c.partes);
        EXPECT_EQ(f.ProgressBar1->value(), 0);
        EXPECT_EQ(f.txtArchivo->text(), origen);
        EXPECT_TRUE(f.cmdParticionar->isEnabled());
    }
}

TEST(PantallaCortar, ArchivoChicoVuelveAlMenu)
{
    Escenario e;
    compartido().TamanoMaximoMB = 1;
    CalculoTamanoBytes();
    QTemporaryDir d;
    Cortar f(e.ctx);
    QSignalSpy menu(&f, &PantallaTrabajo::vuelvoAlMenu);
    f.eligoArchivo(EscriboArchivo(d.filePath(QStringLiteral("chico.zip")), Datos(100)));
    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_EQ(e.dialogos.vistas[0].titulo, QStringLiteral("Incompatibilidad de Tamaños"));
    EXPECT_EQ(menu.count(), 1);
    EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("chico.zip")});
}

} // namespace
