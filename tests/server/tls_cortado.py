#!/usr/bin/env python3
"""An https size service on loopback with a throw-away certificate for the
name servicio.prueba and 127.0.0.1, written to CARPETA/certificado.pem. A path
holding "cortado" gets a chunked reply cut in the middle of its chunk, the TLS
connection dropped without its closing alert; any other path gets the size.
Prints "ESCUCHANDO <port>" once the certificate is written."""
import os
import socket
import ssl
import subprocess
import sys
import threading

carpeta = sys.argv[1]
certificado = os.path.join(carpeta, "certificado.pem")
clave = os.path.join(carpeta, "clave.pem")
subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
                "-subj", "/CN=servicio.prueba", "-keyout", clave, "-out", certificado,
                "-addext", "subjectAltName=DNS:servicio.prueba,IP:127.0.0.1"],
               check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
contexto.load_cert_chain(certificado, clave)


def atiendo(crudo):
    try:
        conexion = contexto.wrap_socket(crudo, server_side=True)
        pedido = b""
        while b"\r\n\r\n" not in pedido:
            parte = conexion.recv(65536)
            if not parte:
                return
            pedido += parte
        cuerpo = b"<respuesta>20</respuesta>"
        if b"cortado" in pedido.split(b"\r\n", 1)[0]:
            conexion.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                             + b"%x\r\n" % (len(cuerpo) + 40) + cuerpo)
            crudo.shutdown(socket.SHUT_RDWR)  # no close_notify: the TCP connection just ends
        else:
            conexion.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(cuerpo)
                             + cuerpo)
            conexion.unwrap()
    except (OSError, ssl.SSLError):
        pass
    finally:
        crudo.close()


escucha = socket.create_server(("127.0.0.1", 0))
print("ESCUCHANDO", escucha.getsockname()[1], flush=True)
while True:
    c, _ = escucha.accept()
    threading.Thread(target=atiendo, args=(c,), daemon=True).start()
