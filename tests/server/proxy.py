#!/usr/bin/env python3
"""A forward proxy on loopback for the size query's tests: GET in absolute form
and CONNECT tunnels. Every host name leads to 127.0.0.1, so a name that only
the proxy knows proves the query went through it. Prints "ESCUCHANDO <port>"."""
import socket
import threading
import urllib.parse


def paso(origen, destino):
    try:
        while datos := origen.recv(65536):
            destino.sendall(datos)
    except OSError:
        pass
    finally:
        for s in (origen, destino):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def atiendo(cliente):
    pedido = b""
    while b"\r\n\r\n" not in pedido:
        parte = cliente.recv(65536)
        if not parte:
            cliente.close()
            return
        pedido += parte
    cabecera, resto = pedido.split(b"\r\n\r\n", 1)
    lineas = cabecera.split(b"\r\n")
    metodo, destino, version = lineas[0].split(b" ")
    print("PROXY", metodo.decode(), destino.decode(), flush=True)
    if metodo == b"CONNECT":
        puerto = int(destino.rsplit(b":", 1)[1])
        servidor = socket.create_connection(("127.0.0.1", puerto))
        cliente.sendall(b"HTTP/1.1 200 Conexion establecida\r\n\r\n")
        if resto:
            servidor.sendall(resto)
    else:
        url = urllib.parse.urlsplit(destino.decode())
        servidor = socket.create_connection(("127.0.0.1", url.port or 80))
        ruta = (url.path or "/") + ("?" + url.query if url.query else "")
        servidor.sendall(b"\r\n".join([metodo + b" " + ruta.encode() + b" " + version] + lineas[1:])
                         + b"\r\n\r\n" + resto)
    threading.Thread(target=paso, args=(servidor, cliente), daemon=True).start()
    paso(cliente, servidor)


escucha = socket.create_server(("127.0.0.1", 0))
print("ESCUCHANDO", escucha.getsockname()[1], flush=True)
while True:
    conexion, _ = escucha.accept()
    threading.Thread(target=atiendo, args=(conexion,), daemon=True).start()
