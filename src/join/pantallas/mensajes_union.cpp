#include "join/pantallas/mensajes_union.h"

Mensaje MensajeSinParticiones() { return {QStringLiteral("Error"), TextoSinParticiones(), Icono::Exclamacion}; }

Mensaje MensajeFaltanParticiones(RechazoUnion rechazo, int numero)
{
    return {QStringLiteral("ERROR"), TextoFaltanParticiones(rechazo, numero), Icono::Critico};
}

Mensaje MensajeFaltaCarpeta(bool origen)
{
    return {QStringLiteral("Unión de archivos"),
            origen ? QStringLiteral("Falta ingresar el directorio de Origen")
                   : QStringLiteral("Falta ingresar el directorio de Destino"),
            Icono::Exclamacion};
}

Mensaje MensajeConservoDanado(const QList<int>& danadas)
{
    return {QStringLiteral("Atención"),
            TextoParticionesDanadas(danadas) + QStringLiteral("\r\n\r\n")
                + QStringLiteral("Desea conservar el archivo armado de todos modos?"),
            Icono::Pregunta, Botones::SiNo, Respuesta::No};
}

Mensaje MensajeReemplazoDanado(const QString& destino)
{
    return {QStringLiteral("Atención"), TextoReemplazoDanado(destino), Icono::Pregunta, Botones::SiNo, Respuesta::No};
}

Mensaje MensajeUnionTerminada(const ResultadoUnion& r)
{
    if (r.danadas.isEmpty())
        return {TituloAplicacion(), QStringLiteral("El archivo fue armado exitosamente")};
    return {TituloAplicacion(),
            QStringLiteral("El archivo fue armado, pero está dañado: ") + r.archivo + QStringLiteral("\r\n")
                + TextoParticionesDanadas(r.danadas),
            Icono::Exclamacion};
}

QList<Mensaje> MensajesFallaUnion(const Falla& falla)
{
    if (falla.tipo == TipoFalla::Cancelado)
        return {MensajeCancelacion(TextoFallaUnion(falla))};
    return {
        {TituloAplicacion(), TextoFallaUnion(falla)},
        {QStringLiteral("ERROR"),
         QStringLiteral(
             "Hubo un error en el armado del Archivo, corrobore tener todas las particiones del archivo en cuestión."),
         Icono::Critico}};
}

QString TextoPasoUnion(int paso)
{
    switch (paso) {
    case GenerandoNombre: return QStringLiteral("Generando archivo Final...");
    case UniendoPartes: return QStringLiteral("Uniendo Partes...");
    case MoviendoArchivo: return QStringLiteral("Moviendo Archivo a Destino...");
    default: return QStringLiteral("Ordenando archivos a unir...");
    }
}

QString TextoFinUnion(const ResultadoUnion& r)
{
    if (r.falla)
        return r.falla->tipo == TipoFalla::Cancelado ? QStringLiteral("Unión cancelada por el usuario") : QString();
    if (r.rechazo != RechazoUnion::Ninguno)
        return {};
    switch (r.fin) {
    case FinUnion::DanadoRechazado: return QStringLiteral("Unión cancelada: particiones dañadas");
    case FinUnion::ReemplazoRehusado: return QStringLiteral("Unión cancelada: el archivo existente no fue reemplazado");
    case FinUnion::Entregado: break;
    }
    return r.danadas.isEmpty() ? QStringLiteral("Unión de Particiones finalizada con éxito...")
                               : QStringLiteral("Unión de Particiones finalizada: el archivo armado está dañado");
}
