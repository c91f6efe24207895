#include "config/pantallas/compartido.h"
#include "server/consulta.h"
#include "server/pantallas/frmcnx.h"
#include "soporte/utiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kTituloB = QStringLiteral("0 ");

// Every reply shape of the service, through the real HTTP layer and the window:
// a size, or one box and TamanoMaximoMB at 0. Cut or endless transfers too.
TEST(Consulta, CadaFormaDeRespuesta)
{
    const char* const sinConexion = "No se pudo realizar la conexion a Internet para la Obtención de Datos.";
    const struct {
        const char* modo;
        qint32 tamano;      // TamanoMaximoMB afterwards
        const char* titulo; // nullptr: no box
        const char* texto;
        bool parcial = false;       // texto is a part of the box's text
        const char* servido = "20"; // the size the service sends
        qsizetype largo = 0;        // the box text's length, when it matters
    } casos[] = {
        // clang-format off
        {"respuesta", 20, nullptr, nullptr},
        {"texto", 20, nullptr, nullptr},
        {"redirige", 20, nullptr, nullptr},
        {"vacio", 0, "Error de tipo 0 ", "No se pudo obtener el Tamaño máximo."},
        {"sinhijos", 0, "0 ", sinConexion},
        {"inesperado", 0, "Error", "Error Inesperado\r\nNro de transacción: 4711"},
        {"sintransaccion", 0, "Error de tipo 0 ", "No se pudo obtener el Nº de Transacción."},
        {"sinmensaje", 0, "Error de tipo 0 ", "No se pudo obtener el Mensaje de Error."},
        {"sintipo", 0, "Error de tipo 0 ", "No se pudo obtener el Código de Error."},
        {"trehijos", 0, "0 ", sinConexion},
        {"declaracion", 0, "Error de tipo 0 ", "No se detecta Formato de XML Válido"},
        {"html", 0, "0 ", sinConexion},
        {"htmlxml", 0, "Error de tipo 0 ", "No se detecta Formato de XML Válido"},
        {"nul", 0, "0 ", sinConexion},
        {"texto", 0, "0 ", "negativo (-2147483648 MB)", true, "-2147483648"},
        {"corto", 0, "0 ", "incompleta", true},
        {"chunkcorto", 0, "0 ", "incompleta", true},
        {"enorme", 0, "0 ", "supera el máximo admitido de 1 MiB", true},
        {"enormesinlargo", 0, "0 ", "supera el máximo admitido de 1 MiB", true},
        // A long "mensaje" reaches the operator whole; the box itself cuts it to the screen.
        {"mensajelargo", 0, "Error", "palabra0 palabra1 ", true, "20", 1000000},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(std::string(c.modo) + " " + c.servido);
        Escenario e;
        Servicio s(QString::fromLatin1(c.modo), QString::fromLatin1(c.servido));
        compartido().UrlServicio = s.url();
        FrmCnx cnx(e.ctx);
        const ResultadoConsulta r = cnx.inicio();
        EXPECT_EQ(r.exito, !c.titulo);
        EXPECT_EQ(compartido().TamanoMaximoMB, c.tamano);
        EXPECT_FALSE(cnx.isVisible());
        if (!c.titulo) {
            EXPECT_TRUE(e.dialogos.vistas.isEmpty());
            EXPECT_TRUE(cnx.msgError.isEmpty());
            continue;
        }
        ASSERT_EQ(e.dialogos.vistas.size(), 1);
        const CajaVista& v = e.dialogos.vistas.front();
        EXPECT_EQ(v.titulo, QString::fromUtf8(c.titulo));
        if (c.parcial) {
            EXPECT_TRUE(v.texto.contains(QString::fromUtf8(c.texto))) << qPrintable(v.texto.left(200));
        } else {
            EXPECT_EQ(v.texto, QString::fromUtf8(c.texto));
        }
        EXPECT_TRUE(!c.largo || v.texto.size() == c.largo) << v.texto.size();
        EXPECT_EQ(v.icono, Icono::Critico);
        EXPECT_EQ(v.botones, Botones::Aceptar);
        if (v.titulo != QLatin1String("Error")) {
            EXPECT_EQ(cnx.msgError, v.texto);
        }
    }
}

TEST(Consulta, UrlLlevaProgramaVersionYRelease)
{
    EXPECT_EQ(ArmoUrlConsulta(QStringLiteral("http://h/s?programa="), QStringLiteral("TERV")),
              QStringLiteral("http://h/s?programa=TERV&version=%1.%2&release=%3")
                  .arg(TERV_VERSION_MAYOR)
                  .arg(TERV_VERSION_MENOR)
                  .arg(TERV_RELEASE));
}

// Texts the reply reader sees directly: positional reading and conversion.
TEST(Consulta, LecturaPosicional)
{
    const char* const sinConexion = "No se pudo realizar la conexion a Internet para la Obtención de Datos.";
    const char* const sinFormato = "No se detecta Formato de XML Válido";
    struct Caso {
        const char* cuerpo;
        bool exito;
        qint32 tamano;
        const char* texto;
    } casos[] = {
        // clang-format off
        {"<respuesta><a>0</a></respuesta>", true, 0, ""},
        {"<respuesta> <a> 15 </a> </respuesta>", true, 15, ""},
        {"<respuesta><a>2.5</a></respuesta>", true, 2, ""},   // half to even
        {"<respuesta><a>3.5</a></respuesta>", true, 4, ""},
        {"<respuesta><a>1e</a></respuesta>", false, 0,
         "No coinciden los tipos: el tamaño recibido no es un número (1e)"},
        {"<respuesta><a>99999999999</a></respuesta>", false, 0,
         "Desbordamiento: el tamaño recibido (99999999999) no cabe en un entero de 32 bits"},
        {"<respuesta><a>-0.6</a></respuesta>", false, 0,
         "El servidor informó un tamaño máximo negativo (-0.6 MB), que no es un tamaño válido."},
        {"<!-- c --><respuesta><a>5</a></respuesta>", false, 0, sinFormato},
        {"<!DOCTYPE respuesta><respuesta><a>5</a></respuesta>", false, 0, sinFormato},
        {"<?pi x?><respuesta><a>5</a></respuesta>", false, 0, sinFormato},
        {"<Respuesta><a>5</a></Respuesta>", false, 0, sinFormato},
        // Not well-formed: the document stays empty.
        {"<respuesta>5</respuesta><respuesta>6</respuesta>", false, 0, sinConexion},
        {"<respuesta>5</respuesta>x", false, 0, sinConexion},
        {"<respuesta>5</respuesta><!DOCTYPE r>", false, 0, sinConexion},
        {"<respuesta>5</respuesta><!-- fin -->\n", true, 5, ""},
        {"<respuesta><!--12-->48</respuesta>", true, 48, ""}, // a comment is no node of the reply
        {"<error><!--x--><c/><tipo>DATO</tipo><?p?><mensaje>M</mensaje><nroTransaccion>9</nroTransaccion></error>", false, 0, "M"},
        {"", false, 0, sinConexion},
        {"<error> <c/> <tipo>DATO</tipo> <mensaje>M</mensaje> <nroTransaccion>9</nroTransaccion> </error>", false, 0, "M"},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.cuerpo);
        const ResultadoConsulta r = InterpretoRespuesta(QByteArray(c.cuerpo));
        EXPECT_EQ(r.exito, c.exito);
        EXPECT_EQ(r.tamanoMB, c.tamano);
        EXPECT_EQ(r.causa ? r.causa->texto : QString(), QString::fromUtf8(c.texto));
    }
}

// Closing the window gives up at once: no size, no box, start-up goes on. The
// query on its own thread, dropped unanswered or given up, ends at once too,
// without a size and without waiting for the service. Its time limit may wait
// for the window: with no time at all it still gets its answer.
TEST(Consulta, AbandonoYEsperaEnOtroHilo)
{
    Escenario e;
    Servicio s(QStringLiteral("respuesta")), lento(QStringLiteral("lento"));
    compartido().UrlServicio = lento.url();
    e.ctx.esperaConsultaMs = 60000;
    FrmCnx cnx(e.ctx);
    // Runs in the window's wait, once it is shown.
    QTimer::singleShot(0, &cnx, [&] {
        EXPECT_TRUE(cnx.isVisible());
        cnx.close();
    });
    const ResultadoConsulta cerrada = cnx.inicio();
    EXPECT_TRUE(cerrada.abandonada);
    EXPECT_FALSE(cerrada.exito);
    EXPECT_EQ(compartido().TamanoMaximoMB, 0);
    EXPECT_TRUE(e.dialogos.vistas.isEmpty());
    EXPECT_FALSE(cnx.isVisible());

    {
        ConsultaEnCurso soltada(lento.url(), 60000);
    } // a hang here is the fault
    ConsultaEnCurso q(lento.url(), 60000);
    q.abandono();
    EXPECT_TRUE(q.resultado().abandonada);
    EXPECT_TRUE(q.terminada());

    ConsultaEnCurso diferida(s.url() + QStringLiteral("TERV"), 0, true);
    EXPECT_TRUE(diferida.resultado().exito);
    ConsultaEnCurso inmediata(lento.url() + QStringLiteral("TERV"), 0);
    const ResultadoConsulta tarde = inmediata.resultado();
    ASSERT_TRUE(tarde.causa);
    EXPECT_EQ(tarde.causa->titulo, kTituloB);
    EXPECT_TRUE(tarde.msgError.contains(QStringLiteral("tiempo"))) << qPrintable(tarde.msgError);
}

// Through a real proxy on loopback (a name only the proxy knows), around it
// when no_proxy names the host, and over https with a throw-away certificate,
// a reply cut in the middle of a chunk, the TLS connection dropped; and the
// HTTP layer's own failures: no URL, nobody listening.
TEST(Consulta, ProxyHttpsYFallasDeRed)
{
    QTemporaryDir carpeta;
    const QString python = QStringLiteral("python3");
    Servicio proxy(python, QStringList{QStringLiteral(TERV_PRUEBAS_SERVER "/proxy.py")});
    Servicio tls(python, QStringList{QStringLiteral(TERV_PRUEBAS_SERVER "/tls_cortado.py"), carpeta.path()});
    Servicio demo(QStringLiteral("respuesta"));
    const quint16 libre = Servicio(QStringLiteral("respuesta")).puerto; // stopped again: nobody listens there
    const QByteArray viaProxy = "http://127.0.0.1:" + QByteArray::number(proxy.puerto);
    const QByteArray certificado = QFile::encodeName(carpeta.filePath(QStringLiteral("certificado.pem")));
    const QString tlsIp = QStringLiteral("https://127.0.0.1:%1/").arg(tls.puerto);
    const QString tlsNombre = QStringLiteral("https://servicio.prueba:%1/").arg(tls.puerto);
    const QString demoPorNombre = QStringLiteral("http://servicio.prueba:%1/tamano?programa=TERV").arg(demo.puerto);
    struct Caso {
        const char* nombre;
        QString url;
        QByteArray entorno[4]; // http_proxy, https_proxy, no_proxy, SSL_CERT_FILE
        const char* falla;     // part of the failure text; nullptr: the size comes
    } casos[] = {
        // clang-format off
        {"http por el proxy", demoPorNombre, {viaProxy}, nullptr},
        {"no_proxy", demoPorNombre, {viaProxy, {}, "servicio.prueba"}, "No se encontró el servidor"},
        {"https", tlsIp + QStringLiteral("tamano"), {{}, {}, {}, certificado}, nullptr},
        {"https por el proxy", tlsNombre + QStringLiteral("tamano"), {{}, viaProxy, {}, certificado}, nullptr},
        {"https cortado", tlsIp + QStringLiteral("cortado"), {{}, {}, {}, certificado}, "incompleta"},
        {"certificado desconocido", tlsIp + QStringLiteral("tamano"), {}, "certificado"},
        {"sin URL", ArmoUrlConsulta(QString(), QStringLiteral("TERV")), {}, ""},
        {"nadie escucha", QStringLiteral("http://127.0.0.1:%1/x").arg(libre), {}, "El servidor rechazó la conexión"},
        // clang-format on
    };
    const char* const variables[] = {"http_proxy", "https_proxy", "no_proxy", "SSL_CERT_FILE"};
    QByteArray antes[4];
    for (int i = 0; i < 4; ++i)
        antes[i] = qgetenv(variables[i]);
    const auto pongo = [&](int i, const QByteArray& valor) {
        valor.isEmpty() ? qunsetenv(variables[i]) : qputenv(variables[i], valor);
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        for (int i = 0; i < 4; ++i)
            pongo(i, c.entorno[i]);
        const ResultadoConsulta r = ConsultoTamano(c.url, 60000);
        EXPECT_EQ(r.exito, !c.falla) << qPrintable(r.msgError);
        EXPECT_EQ(r.tamanoMB, c.falla ? 0 : 20);
        if (!c.falla)
            continue;
        ASSERT_TRUE(r.causa);
        EXPECT_EQ(r.causa->titulo, kTituloB);
        EXPECT_FALSE(r.msgError.isEmpty());
        EXPECT_TRUE(r.msgError.contains(QString::fromUtf8(c.falla))) << qPrintable(r.msgError);
    }
    for (int i = 0; i < 4; ++i)
        pongo(i, antes[i]);
}

} // namespace
