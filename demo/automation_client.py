#!/usr/bin/python3
# A client of the trace viewer's automation object "Lorvex.Document" on the
# session bus: it creates the object, sends its texts as traces on channel 3
# (to the viewer's window and to the file ~/lorvex-automation.txt) and holds
# the object until Enter or the end of its input. The viewer the bus started
# for it lives while this one connection stays open.
#   demo/automation_client.py [TEXT...]
import sys
import time
from pathlib import Path

import dbus

bus = dbus.SessionBus()  # one connection for everything below
try:
    factory = bus.get_object('Lorvex.Document', '/Lorvex/Document/Factory')
    name, path = factory.CreateObject(dbus_interface='Lorvex.Document.Factory')
except dbus.exceptions.DBusException as e:
    sys.exit(f'automation_client: cannot create "Lorvex.Document": {e.get_dbus_message()}\n'
             '(start lorvex once: every start writes the file by which the bus finds it)')
doc = dbus.Interface(bus.get_object(name, path), 'Lorvex.Document')
print(f'Lorvex.Document is {name} {path}', flush=True)

trace_file = str(Path.home() / 'lorvex-automation.txt')
doc.SetIDMedium(3, 1 | 4)           # channel 3: window and file
doc.SetIDFileName(3, trace_file)
doc.SetIDColor(3, 0x0000C0)         # 0x00BBGGRR: dark red
for text in sys.argv[1:] or ['hello']:
    now = time.localtime()
    doc.Trace(3, 'automation_client', time.strftime('%d.%m.%Y', now), time.strftime('%H:%M:%S', now), text)
print(f'sent; the traces are in {trace_file}. Enter lets the viewer go.', flush=True)
sys.stdin.readline()
