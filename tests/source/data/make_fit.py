#!/usr/bin/env python3
"""Makes the FIT fixtures from files GPSBabel wrote (gpsbabel.fit, gpsbabel-hermon.fit:
`gpsbabel -i gpx -f current_source.gpx -o garmin_fit -F gpsbabel.fit`, the second with
`-x track,name="Hermon ridge"`). GPSBabel writes no pauses, records without a position or
beyond a pole, compressed timestamps, developer fields, big-endian messages or fields of
another base type than the profile's, so those are spliced into its records here; bytes
after the last file are appended, and the damaged files are cut or altered copies. Run from
this folder."""
import struct


def crc16(data, crc=0):
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def records(path):
    """The records of a one-file FIT, each as its bytes."""
    d = open(path, 'rb').read()
    pos, end, defs, out = d[0], d[0] + struct.unpack('<I', d[4:8])[0], {}, []
    while pos < end:
        h, start = d[pos], pos
        pos += 1
        if h & 0x40:
            n = d[pos + 4]
            fields = [d[pos + 5 + 3 * i + 1] for i in range(n)]
            pos += 5 + 3 * n
            defs[h & 15] = sum(fields)
        else:
            pos += defs[h & 15]
        out.append(d[start:pos])
    return out


def fit_file(body, header_size=14, header_crc=True):
    head = struct.pack('<BBHI4s', header_size, 0x10, 2132, len(body), b'.FIT')
    if header_size == 14:
        head += struct.pack('<H', crc16(head) if header_crc else 0)
    data = head + body
    return data + struct.pack('<H', crc16(data))


def definition(local, global_num, fields, big=False, dev=None):
    h = 0x40 | local | (0x20 if dev else 0)
    out = struct.pack('>BBBHB' if big else '<BBBHB', h, 0, 1 if big else 0, global_num, len(fields))
    for num, size, base in fields:
        out += bytes([num, size, base])
    if dev:
        out += bytes([len(dev)]) + b''.join(bytes(f) for f in dev)
    return out


EVENT = [(253, 4, 0x86), (0, 1, 0), (1, 1, 0)]


def event(local, time, kind):
    return bytes([local]) + struct.pack('<IBB', time, 0, kind)


def pause():
    recs = records('gpsbabel.fit')
    points = [i for i, r in enumerate(recs) if r[0] == 0x05]  # GPSBabel's record messages
    cut = points[2]
    t = struct.unpack('<I', recs[cut][1:5])[0]
    spliced = definition(7, 21, EVENT) + event(7, t + 1, 1)
    spliced += definition(8, 20, [(253, 4, 0x86), (0, 4, 0x85), (1, 4, 0x85)])
    spliced += b'\x08' + struct.pack('<Iii', t + 2, 0x7FFFFFFF, 0x7FFFFFFF)
    spliced += b'\x08' + struct.pack('<Iii', t + 2, 0x40000001, 0x19000000)  # beyond the pole
    spliced += definition(9, 20, [(253, 4, 0x86), (2, 2, 0x84)])  # a record without position
    spliced += b'\x09' + struct.pack('<IH', t + 3, 2600)
    spliced += event(7, t + 4, 0)
    body = b''.join(recs[:cut + 1]) + spliced + b''.join(recs[cut + 1:])
    return fit_file(body)


def crafted():
    """Big-endian messages, a developer field, compressed timestamps, a 12-byte header."""
    t = 1083000000
    body = definition(0, 20, [(253, 4, 0x86), (0, 4, 0x85), (1, 4, 0x85), (78, 4, 0x86)],
                      big=True, dev=[(0, 2, 0)])
    body += b'\x00' + struct.pack('>IiiI', t, 379000000, 418000000, 3000) + b'\xAA\xBB'
    body += definition(1, 20, [(0, 4, 0x85), (1, 4, 0x85), (99, 3, 0x0D)])
    for offset, lat in ((5, 379001000), (30, 379002000), (2, 379003000)):
        body += bytes([0x80 | 1 << 5 | ((t + offset) & 0x1F)])
        body += struct.pack('<ii', lat, 418000000) + b'\x01\x02\x03'
        t += offset
    body += definition(2, 20, [(0, 4, 0x85), (1, 4, 0x85)])
    body += b'\x02' + struct.pack('<ii', 379004000, 418000000)  # a record without a time
    body += b'\x02' + struct.pack('<ii', -1, 418000000)  # all ones: a position just south of 0
    return fit_file(body, header_size=12)


def altitude_uint32():
    """An altitude whose definition gives uint32 where the profile has uint16."""
    t = 1083000000
    body = definition(0, 20, [(253, 4, 0x86), (0, 4, 0x85), (1, 4, 0x85), (2, 4, 0x86)])
    body += b'\x00' + struct.pack('<IiiI', t, 379000000, 418000000, 3000)  # 100 m
    body += b'\x00' + struct.pack('<IiiI', t + 1, 379001000, 418000000, 0xFFFFFFFF)  # none
    body += b'\x00' + struct.pack('<IiiI', t + 2, 379002000, 418000000, 70000)  # 13,500 m
    return fit_file(body)


def out_of_range():
    """Elevations of a million metres and times after 2100, left out; the last second of
    2100 and an elevation just below a million metres kept. A pause before two points left
    out in a row: its segment begins at the next point kept."""
    t, end_of_2100 = 1083000000, 3502915200  # 2101-01-01 00:00:00 in FIT seconds
    body = definition(0, 20, [(253, 4, 0x86), (0, 4, 0x85), (1, 4, 0x85), (78, 4, 0x86)])
    body += definition(7, 21, EVENT)
    for time, lat, metres in ((t, 379000000, 100), (t + 1, 379001000, 1000000),
                              (t + 2, 379002000, 999999.8)):
        body += b'\x00' + struct.pack('<IiiI', time, lat, 418000000, round((metres + 500) * 5))
    body += event(7, t + 3, 1) + event(7, t + 4, 0)
    for time, lat, metres in ((end_of_2100 + 3600, 379003000, 100), (end_of_2100, 379004000, 100),
                              (end_of_2100 - 1, 379005000, 100)):
        body += b'\x00' + struct.pack('<IiiI', time, lat, 418000000, round((metres + 500) * 5))
    return fit_file(body)


def write(path, data):
    open(path, 'wb').write(data)


good = open('gpsbabel.fit', 'rb').read()
write('files/gpsbabel.fit', good)
write('files/pause.fit', pause())
write('files/chained.fit', good + open('gpsbabel-hermon.fit', 'rb').read())
write('files/crafted.fit', crafted())
write('files/altitude-uint32.fit', altitude_uint32())
write('files/out-of-range.fit', out_of_range())
write('files/trailing-zeros.fit', good + b'\x00' * 512)
write('files/trailing-newline.fit', good + b'\n')
write('files/trailing-garbage.fit', good + b'\x0e\x10' + b'garbage, garbage')
write('bad/truncated.fit', good[:200])
flipped = bytearray(good)
flipped[100] ^= 0x01
write('bad/checksum.fit', bytes(flipped))
header = bytearray(good)
header[12] ^= 0xFF
write('bad/header-checksum.fit', bytes(header))
write('bad/undefined-type.fit', fit_file(b'\x05' + b'\x00' * 8))
write('bad/position-size.fit',
      fit_file(definition(0, 20, [(0, 3, 0x85), (1, 4, 0x85)]) + b'\x00' + b'\x00' * 7))
write('files/position-type.fit',  # a position as a string holds none
      fit_file(definition(0, 20, [(0, 4, 0x07), (1, 4, 0x85)]) + b'\x00' + b'\x00' * 8))
write('bad/past-the-end.fit', fit_file(definition(0, 20, [(0, 4, 0x85), (1, 4, 0x85)]) + b'\x00' * 4))
write('bad/chained-truncated.fit', good + open('gpsbabel-hermon.fit', 'rb').read()[:100])
