#include "partition/pantallas/mensajes_particion.h"

Mensaje MensajeRechazo(RechazoParticion rechazo)
{
    const QString texto = TextoRechazo(rechazo);
    switch (rechazo) {
    case RechazoParticion::SinArchivo: return {QStringLiteral("Error"), texto, Icono::Informacion};
    case RechazoParticion::SinPunto: return {QStringLiteral("ERROR!"), texto, Icono::Exclamacion};
    case RechazoParticion::Demasiadas: return {QStringLiteral("Error - Demasiadas Particiones"), texto, Icono::Ninguno};
    case RechazoParticion::Vacio: // told as empty, then as any file too small to split
        return {QStringLiteral("Incompatibilidad de Tamaños"),
                texto + QStringLiteral("\r\n") + TextoRechazo(RechazoParticion::MuyChico), Icono::Informacion};
    case RechazoParticion::MuyChico:
    case RechazoParticion::Ninguno: break;
    }
    return {QStringLiteral("Incompatibilidad de Tamaños"), texto, Icono::Informacion};
}

Mensaje MensajeConfirmacion(const PlanParticion& plan)
{
    return {QStringLiteral("Particionador de Archivos"), MensajeParticiones(plan.N, plan.S, plan.L), Icono::Informacion,
            Botones::AceptarCancelar, Respuesta::Aceptar};
}

Mensaje MensajeParticionesGeneradas()
{
    return {QStringLiteral("Partición de archivo Correcta"),
            QStringLiteral("Las particiones han sido generadas exitosamente"), Icono::Informacion};
}

Mensaje ManejoErrores(const Falla& falla)
{
    if (falla.tipo == TipoFalla::Cancelado)
        return MensajeCancelacion(TextoFallaParticion(falla));
    if (falla.tipo == TipoFalla::YaExiste)
        return {QStringLiteral("ERROR"), TextoFallaParticion(falla), Icono::Exclamacion};
    return {QStringLiteral("ERROR"),
            QStringLiteral("Se detectó un error y la aplicación se cerrará.") + QStringLiteral("\r\n")
                + falla.descripcion,
            Icono::Exclamacion};
}
