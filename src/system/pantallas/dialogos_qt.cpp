#include "system/pantallas/dialogos_qt.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "system/pantallas/pantalla.h"

namespace {

QRect ZonaDe(const QWidget* padre)
{
    const QScreen* pantalla = PantallaDe(padre);
    return pantalla ? pantalla->availableGeometry() : QRect(0, 0, 800, 600);
}

// A box that always lands on screen: over its owner even when the owner is
// not shown yet (the start-up warnings), otherwise over the screen's centre.
class CajaCentrada : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* evento) override
    {
        QMessageBox::showEvent(evento);
        const QWidget* duenio = parentWidget() ? parentWidget()->window() : nullptr;
        const QRect zona = ZonaDe(duenio);
        // Wide enough for its title, whatever the text (even none).
        const int titulo = qMin(zona.width() - 40, QFontMetrics(font()).horizontalAdvance(windowTitle()) + 100);
        if (width() < titulo)
            setFixedWidth(titulo);
        // Still taller than the screen (a narrow screen wraps more): cut further.
        for (int paso = 0; paso < 8 && frameGeometry().height() > zona.height() && text().size() > 40; ++paso)
            setText(text().left(text().size() * 2 / 3).trimmed() + QChar(0x2026));
        CentroSobre(this, duenio);
    }
};

} // namespace

QString PartoPalabrasLargas(const QString& texto, int anchoLinea, QStringView separadores)
{
    QString partido;
    qsizetype desde = 0;
    while (desde < texto.size()) {
        qsizetype hasta = desde;
        while (hasta < texto.size() && !texto[hasta].isSpace())
            ++hasta;
        const QString palabra = texto.mid(desde, hasta - desde);
        if (palabra.size() <= anchoLinea) {
            partido += palabra;
        } else {
            // A path breaks after its separators; only a piece still longer
            // than a line is broken inside.
            int seguidos = 0;
            for (qsizetype k = 0; k < palabra.size(); ++k) {
                const QChar c = palabra[k];
                const bool separador = separadores.contains(c);
                if (seguidos >= anchoLinea && !separador) {
                    partido += QChar(0x200B);
                    seguidos = 0;
                }
                partido += c;
                ++seguidos;
                if (separador && k + 1 < palabra.size()) {
                    partido += QChar(0x200B);
                    seguidos = 0;
                }
            }
        }
        while (hasta < texto.size() && texto[hasta].isSpace())
            partido += texto[hasta++];
        desde = hasta;
    }
    return partido;
}

QString RecortoTextoCaja(const QString& texto, int maxLineas, int anchoLinea)
{
    // Long words get break opportunities, so the box can wrap them.
    const QString partido = PartoPalabrasLargas(texto, anchoLinea);
    // Count the lines it will take once wrapped, and stop where they run out.
    int lineas = 0;
    qsizetype corte = 0;
    for (const QString& linea : partido.split(QLatin1Char('\n'))) {
        const int ocupa = qMax(1, int((linea.size() + anchoLinea - 1) / anchoLinea));
        if (lineas + ocupa > maxLineas) {
            const qsizetype caben = qsizetype(qMax(0, maxLineas - lineas)) * anchoLinea;
            return partido.left(corte + qMin(caben, linea.size())).trimmed() + QChar(0x2026);
        }
        lineas += ocupa;
        corte += linea.size() + 1;
    }
    return partido;
}

Respuesta DialogosQt::mensaje(QWidget* padre, const Mensaje& m)
{
    CajaCentrada caja(padre);
    caja.setWindowTitle(TituloVisible(m));
    // The box must fit the screen, its button included: long texts are cut.
    const QRect zona = ZonaDe(padre);
    // The box wraps at about min(screen - 480, 1000) pixels.
    const QFontMetrics letra(caja.font());
    const int maxLineas = qMax(3, (zona.height() / 2) / qMax(1, letra.lineSpacing()));
    const int anchoTexto = qBound(200, zona.width() - 600, 900);
    const QString texto =
        RecortoTextoCaja(m.texto, maxLineas, qMax(20, anchoTexto / qMax(1, letra.horizontalAdvance(QLatin1Char('m')))));
    // The text's own lines stay whole where the screen allows: the box is as
    // wide as its longest line, not Qt's narrower default.
    int linea = 0;
    for (const QString& l : m.texto.split(QLatin1Char('\n')))
        linea = qMax(linea, letra.horizontalAdvance(l.trimmed()) + 4);
    if (auto* etiqueta = caja.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        etiqueta->setMinimumWidth(qMin(linea, anchoTexto));
    if (m.alineadoDerecha) {
        caja.setTextFormat(Qt::RichText);
        caja.setText(QStringLiteral("<p align=\"right\">") + texto.toHtmlEscaped() + QStringLiteral("</p>"));
    } else {
        caja.setTextFormat(Qt::PlainText);
        caja.setText(texto);
    }
    switch (m.icono) {
    case Icono::Ninguno: caja.setIcon(QMessageBox::NoIcon); break;
    case Icono::Informacion: caja.setIcon(QMessageBox::Information); break;
    case Icono::Exclamacion: caja.setIcon(QMessageBox::Warning); break;
    case Icono::Critico: caja.setIcon(QMessageBox::Critical); break;
    case Icono::Pregunta: caja.setIcon(QMessageBox::Question); break;
    }
    auto agrego = [&](const QString& rotulo, QMessageBox::ButtonRole rol, Respuesta r) {
        QPushButton* b = caja.addButton(rotulo, rol);
        b->setProperty("respuesta", int(r));
        if (r == m.porDefecto)
            caja.setDefaultButton(b);
        return b;
    };
    switch (m.botones) {
    case Botones::Aceptar:
        caja.setEscapeButton(agrego(QStringLiteral("Aceptar"), QMessageBox::AcceptRole, Respuesta::Aceptar));
        break;
    case Botones::AceptarCancelar:
        agrego(QStringLiteral("Aceptar"), QMessageBox::AcceptRole, Respuesta::Aceptar);
        caja.setEscapeButton(agrego(QStringLiteral("Cancelar"), QMessageBox::RejectRole, Respuesta::Cancelar));
        break;
    case Botones::SiNo:
        agrego(QStringLiteral("&Sí"), QMessageBox::YesRole, Respuesta::Si);
        caja.setEscapeButton(agrego(QStringLiteral("&No"), QMessageBox::NoRole, Respuesta::No));
        break;
    }
    caja.exec();
    if (caja.clickedButton())
        return Respuesta(caja.clickedButton()->property("respuesta").toInt());
    return m.botones == Botones::SiNo           ? Respuesta::No
        : m.botones == Botones::AceptarCancelar ? Respuesta::Cancelar
                                                : Respuesta::Aceptar;
}

QString DialogosQt::abroArchivo(QWidget* padre, const QString& titulo, const QString& carpeta, const QString& filtro)
{
    return QFileDialog::getOpenFileName(padre, titulo, carpeta, filtro + QStringLiteral(" (*)"));
}

QStringList DialogosQt::abroArchivos(QWidget* padre, const QString& titulo, const QString& carpeta,
                                     const QString& filtro)
{
    return QFileDialog::getOpenFileNames(padre, titulo, carpeta, filtro);
}

std::optional<QString> DialogosQt::eligoCarpeta(QWidget* padre, const QString& leyenda)
{
    // The caption line is shown as the dialog's title; the browser does not open there.
    const QString carpeta = QFileDialog::getExistingDirectory(
        padre, QStringLiteral("Seleccione una carpeta (") + leyenda + QLatin1Char(')'), QString(),
        QFileDialog::ShowDirsOnly);
    if (carpeta.isEmpty())
        return std::nullopt;
    return carpeta;
}
