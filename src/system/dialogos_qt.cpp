#include "system/dialogos_qt.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace {

// A box that always lands on screen: over its owner even when the owner is
// not shown yet (the start-up warnings), otherwise over the screen's centre.
class CajaCentrada : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* evento) override
    {
        QMessageBox::showEvent(evento);
        const QWidget* padre = parentWidget() ? parentWidget()->window() : nullptr;
        const QScreen* pantalla = padre && padre->screen() ? padre->screen() : QGuiApplication::primaryScreen();
        if (!pantalla)
            return;
        const QRect zona = pantalla->availableGeometry();
        const QPoint centro = padre && !padre->isVisible() && zona.intersects(padre->frameGeometry())
            ? padre->frameGeometry().center()
            : (padre && padre->isVisible() ? pos() + rect().center() : zona.center());
        QRect marco(QPoint(), frameGeometry().size());
        marco.moveCenter(centro);
        marco.moveLeft(qBound(zona.left(), marco.left(), qMax(zona.left(), zona.right() - marco.width())));
        marco.moveTop(qBound(zona.top(), marco.top(), qMax(zona.top(), zona.bottom() - marco.height())));
        move(marco.topLeft());
    }
};

QRect ZonaDe(const QWidget* padre)
{
    const QScreen* pantalla = padre && padre->screen() ? padre->screen() : QGuiApplication::primaryScreen();
    return pantalla ? pantalla->availableGeometry() : QRect(0, 0, 800, 600);
}

} // namespace

QString RecortoTextoCaja(const QString& texto, int maxLineas, int anchoLinea)
{
    // Long words get break opportunities, so the box can wrap them.
    QString partido;
    int seguidos = 0;
    for (const QChar c : texto) {
        seguidos = c.isSpace() ? 0 : seguidos + 1;
        if (seguidos > anchoLinea) {
            partido += QChar(0x200B);
            seguidos = 1;
        }
        partido += c;
    }
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
    const QFontMetrics letra(caja.font());
    const int maxLineas = qMax(3, (zona.height() * 2 / 3) / qMax(1, letra.lineSpacing()));
    const QString texto = RecortoTextoCaja(m.texto, maxLineas, 90);
    if (m.alineadoDerecha) {
        caja.setTextFormat(Qt::RichText);
        caja.setText(QStringLiteral("<p align=\"right\">") + texto.toHtmlEscaped() + QStringLiteral("</p>"));
    } else {
        caja.setTextFormat(Qt::PlainText);
        caja.setText(texto);
    }
    // Wide enough for its title, whatever the text (even none).
    if (auto* grilla = qobject_cast<QGridLayout*>(caja.layout())) {
        const int ancho = qMin(zona.width() - 40, letra.horizontalAdvance(caja.windowTitle()) + 160);
        grilla->addItem(new QSpacerItem(ancho, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grilla->rowCount(), 0, 1,
                        grilla->columnCount());
    }
    switch (m.icono) {
    case Icono::Ninguno: caja.setIcon(QMessageBox::NoIcon); break;
    case Icono::Informacion: caja.setIcon(QMessageBox::Information); break;
    case Icono::Exclamacion: caja.setIcon(QMessageBox::Warning); break;
    case Icono::Critico: caja.setIcon(QMessageBox::Critical); break;
    case Icono::Pregunta: caja.setIcon(QMessageBox::Question); break;
    }
    auto agrego = [&](const QString& texto, QMessageBox::ButtonRole rol, Respuesta r) {
        QPushButton* b = caja.addButton(texto, rol);
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
    return m.botones == Botones::SiNo ? Respuesta::No
         : m.botones == Botones::AceptarCancelar ? Respuesta::Cancelar : Respuesta::Aceptar;
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
    const QString carpeta = QFileDialog::getExistingDirectory(padre, leyenda, QString(),
                                                              QFileDialog::ShowDirsOnly);
    if (carpeta.isEmpty())
        return std::nullopt;
    return carpeta;
}
