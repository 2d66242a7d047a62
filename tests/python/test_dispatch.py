"""The Python client against the real component and a loopback server."""

import ctypes
import gc
import http.server
import os
import socket
import subprocess
import tempfile
import threading
import unittest

import quenvar
from quenvar.constants import (CO_E_CLASSSTRING, DISP_E_BADPARAMCOUNT, DISP_E_EXCEPTION, DISP_E_MEMBERNOTFOUND, E_FAIL,
                               S_FALSE, S_OK)


class _Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response_only(200)
        self.send_header("Server", "PythonLoopback/1.0")
        self.send_header("Content-Location", "/index.html")
        self.send_header("Date", "Tue, 08 Dec 2026 17:00:00 GMT")
        self.send_header("Content-Length", "0")
        self.end_headers()

    do_HEAD = do_GET

    def log_message(self, *arguments):
        pass


def _closed_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class DispatchTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        os.environ["QUENVAR_REGISTRY"] = os.path.join(cls.folder.name, "registry.db")
        subprocess.run([os.environ["QUENVAR_REGSVR"], "-s", os.environ["QUENVAR_LIBRARY"]], check=True)
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
        cls.thread = threading.Thread(target=cls.server.serve_forever, daemon=True)
        cls.thread.start()
        cls.address = "127.0.0.1:%d" % cls.server.server_address[1]

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        cls.folder.cleanup()

    def test_query_reads_the_servers_answer(self):
        with quenvar.Dispatch("Palvex.Palvex") as palvex:
            palvex.ServerURL = self.address
            self.assertIsNone(palvex.QueryServer())
            self.assertEqual(palvex.HTTPVer, "HTTP/1.0")
            self.assertEqual(palvex.serversoftware, "PythonLoopback/1.0")  # names ignore case
            self.assertEqual(palvex.ContentLocation, "/index.html")
            self.assertEqual(palvex.CurrentServerTime, "Tue, 08 Dec 2026 17:00:00 GMT")
            self.assertEqual(palvex.ErrorInfo, "")

    def test_class_id_text_creates_the_same_class(self):
        with quenvar.Dispatch("{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}") as palvex:
            self.assertEqual(palvex.HTTPVer, "")
        with self.assertRaises(quenvar.COMError) as raised:
            quenvar.Dispatch("No.Such.Class")
        self.assertEqual(raised.exception.hresult, CO_E_CLASSSTRING)

    def test_failed_query_raises_with_the_exception_information(self):
        with quenvar.Dispatch("Palvex.Palvex") as palvex:
            palvex.ServerURL = "127.0.0.1:%d" % _closed_port()
            with self.assertRaises(quenvar.COMError) as raised:
                palvex.QueryServer()
            error = raised.exception
            # The component answers E_FAIL without an error object; its reason is in ErrorInfo.
            self.assertEqual(error.hresult, DISP_E_EXCEPTION)
            self.assertEqual(error.scode, E_FAIL)
            self.assertEqual(error.description, "")
            self.assertIn("HttpSend error 12029", palvex.ErrorInfo)

    def test_unknown_member_is_an_attribute_error(self):
        with quenvar.Dispatch("Palvex.Palvex") as palvex:
            with self.assertRaises(AttributeError):
                palvex.NoSuchMember
            with self.assertRaises(AttributeError):
                palvex.NoSuchMember = 1
            self.assertFalse(hasattr(palvex, "_private"))

    def test_wrong_types_and_shapes_are_refused(self):
        with quenvar.Dispatch("Palvex.Palvex") as palvex:
            with self.assertRaises(TypeError):
                palvex.ServerURL = [self.address]
            with self.assertRaises(OverflowError):
                palvex.ServerURL = 2**40
            with self.assertRaises(quenvar.COMError) as raised:
                palvex.QueryServer("unexpected")
            self.assertEqual(raised.exception.hresult, DISP_E_BADPARAMCOUNT)
            with self.assertRaises(quenvar.COMError) as raised:
                palvex.HTTPVer = "read-only"
            self.assertEqual(raised.exception.hresult, DISP_E_MEMBERNOTFOUND)
            palvex.ServerURL = 42  # numbers convert to the text the property takes

    def test_references_are_released(self):
        # The component can unload (S_OK) only once no object of it is alive.
        component = ctypes.CDLL(os.environ["QUENVAR_LIBRARY"])
        palvex = quenvar.Dispatch("Palvex.Palvex")
        self.assertEqual(component.DllCanUnloadNow(), S_FALSE)
        palvex.close()
        self.assertEqual(component.DllCanUnloadNow(), S_OK)
        palvex.close()
        with self.assertRaises(ValueError):
            palvex.HTTPVer
        with quenvar.Dispatch("Palvex.Palvex") as inner:
            pass
        with self.assertRaises(ValueError):
            inner.QueryServer()
        self.assertEqual(component.DllCanUnloadNow(), S_OK)
        dropped = quenvar.Dispatch("Palvex.Palvex")
        self.assertEqual(component.DllCanUnloadNow(), S_FALSE)
        del dropped
        gc.collect()
        self.assertEqual(component.DllCanUnloadNow(), S_OK)

    def test_each_thread_initialises_com_for_itself(self):
        results = []

        def query():
            with quenvar.Dispatch("Palvex.Palvex") as palvex:
                palvex.ServerURL = self.address
                palvex.QueryServer()
                results.append(palvex.HTTPVer)

        threads = [threading.Thread(target=query) for _ in range(3)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(results, ["HTTP/1.0"] * 3)


if __name__ == "__main__":
    unittest.main()
