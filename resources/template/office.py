"""A private, headless LibreOffice for the template scripts.

Each run gets its own profile folder and pipe name so that it never talks to,
or ends, an office the developer already has open; the process is always ended
on the way out, even when the script fails.
"""
import os
import shutil
import subprocess
import tempfile
import time
import uuid

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

SOFFICE = os.environ.get("VELMORA_SOFFICE", "/usr/lib/libreoffice/program/soffice.bin")


def props(**values):
    result = []
    for name, value in values.items():
        p = PropertyValue()
        p.Name = name
        p.Value = value
        result.append(p)
    return tuple(result)


def file_url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


class Office:
    def __enter__(self):
        self.profile = tempfile.mkdtemp(prefix="velmora-office-")
        self.pipe = "velmora_tpl_" + uuid.uuid4().hex
        self.process = None
        self.desktop = None
        # A brand-new profile makes the first start exit once while it is set up.
        for _attempt in range(3):
            self._start()
            if self._connect():
                return self
            self._stop_process()
        self._cleanup()
        raise RuntimeError("LibreOffice did not answer on its pipe")

    def _start(self):
        self.process = subprocess.Popen(
            [SOFFICE,
             "-env:UserInstallation=" + file_url(self.profile),
             "--headless", "--invisible", "--nologo", "--norestore",
             "--nodefault", "--nolockcheck",
             "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def _connect(self):
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        url = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe
        deadline = time.time() + 60
        while time.time() < deadline:
            if self.process.poll() is not None:
                return False
            try:
                ctx = resolver.resolve(url)
                self.context = ctx
                self.desktop = ctx.ServiceManager.createInstanceWithContext(
                    "com.sun.star.frame.Desktop", ctx)
                return True
            except NoConnectException:
                time.sleep(0.1)
        return False

    def load(self, path, **options):
        return self.desktop.loadComponentFromURL(
            file_url(path), "_blank", 0, props(Hidden=True, **options))

    def _stop_process(self):
        if self.process is None:
            return
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def _cleanup(self):
        shutil.rmtree(self.profile, ignore_errors=True)

    def __exit__(self, *exc):
        try:
            if self.desktop is not None:
                self.desktop.terminate()
                self.process.wait(15)
        except Exception:
            pass
        self._stop_process()
        self._cleanup()
        return False
