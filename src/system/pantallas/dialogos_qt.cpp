#include "system/pantallas/dialogos_qt.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

Respuesta DialogosQt::mensaje(QWidget* padre, const Mensaje& m)
{
    QMessageBox caja(padre);
    caja.setWindowTitle(TituloVisible(m));
    if (m.alineadoDerecha) {
        caja.setTextFormat(Qt::RichText);
        caja.setText(QStringLiteral("<p align=\"right\">") + m.texto.toHtmlEscaped() + QStringLiteral("</p>"));
    } else {
        caja.setTextFormat(Qt::PlainText);
        caja.setText(m.texto);
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
