#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: small valid inputs of every kind each
target reads. Run it again after changing an input layout; the files are kept in git.
Usage: tests/fuzz/make_seeds.py (from anywhere)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CRLF = b"\r\n"


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- Point files for fuzz_convert: one steering byte, then the file.
def convert_steer(grid, reduce, comma, deviation):
    return bytes([int(grid) | int(reduce) << 1 | int(comma) << 2 | (deviation // 3) << 3])


def point_line(lat, lon, text):
    return b"%s,%s,\"%s\"\r\n" % (lat.encode(), lon.encode(), text.encode())


def convert_seeds():
    one = point_line("31.73409", "35.21206", "N/A")
    track = b"".join([
        point_line("32.0761", "34.7753", "2004/05/01-10:00:00"),
        point_line("32.0771", "34.7753", "2004/05/01-10:00:10"),
        point_line("32.0781", "34.7753", "2004/05/01-10:00:20"),
        point_line("32.0781", "34.7773", "2004/05/01-10:00:30"),
        point_line("32.0771", "34.7783", "2004/05/01-10:00:40"),
    ])
    write("convert", "one_point_latlon", convert_steer(False, False, False, 45) + one)
    write("convert", "one_point_grid_reduce", convert_steer(True, True, False, 45) + one)
    write("convert", "track_grid", convert_steer(True, False, False, 30) + track)
    write("convert", "track_reduce_latlon", convert_steer(False, True, True, 30) + track)
    write("convert", "track_reduce_grid", convert_steer(True, True, False, 90) + track)
    write("convert", "southwest", convert_steer(False, False, True, 5)
          + point_line("-33.8688", "-151.2093", "N/A") + point_line("-0.5", "-0.25", ""))
    write("convert", "empty", convert_steer(True, True, False, 45))
    write("convert", "far_off_grid", convert_steer(True, True, False, 9)
          + point_line("89.99999", "179.9", "N/A") + point_line("-89.5", "-179.99", "N/A"))
    write("convert", "bad_second_line", convert_steer(True, False, False, 45) + one
          + b"31.7,abc,\"N/A\"\r\n")


# --- Garmin frames.
def frame(pid, data, size=None):
    size = len(data) if size is None else size
    checksum = (-(pid + size + sum(data))) & 0xFF
    wire = bytearray([16, pid])
    for b in [size] + list(data) + [checksum]:
        wire.append(b)
        if b == 16:
            wire.append(16)
    return bytes(wire + b"\x10\x03")


def semicircles(deg):
    return round(deg * 2**31 / 180)


def d300(lat, lon, t, new_segment=False):
    return struct.pack("<iiIB", semicircles(lat), semicircles(lon), t, 1 if new_segment else 0)


def d301(lat, lon, t, alt, depth, new_segment=False):
    return struct.pack("<iiIffB", semicircles(lat), semicircles(lon), t, alt, depth,
                       1 if new_segment else 0)


def report(*entries):
    return b"".join(struct.pack("<ch", tag.encode(), n) for tag, n in entries)


PRODUCT = struct.pack("<hh", 213, 300) + b"eTrex Legend Software Version 3.00\0VBM 1.2\0"
REPORT_D300 = report(("P", 0), ("L", 1), ("A", 10), ("A", 100), ("D", 100), ("A", 201),
                     ("D", 202), ("D", 108), ("A", 300), ("D", 300), ("A", 400), ("D", 400))
REPORT_D301 = report(("P", 0), ("L", 1), ("A", 10), ("A", 301), ("D", 310), ("D", 301))
REPORT_L002 = report(("P", 0), ("L", 2), ("A", 11), ("A", 302), ("D", 310), ("D", 301))
TRACK_HEADER = bytes([1, 255]) + b"ACTIVE LOG\0"
T0 = 457_000_000  # 2004/06/26, seconds since the receiver epoch
POINTS_D300 = [d300(32.0761, 34.7753, T0, True), d300(32.0771, 34.7753, T0 + 10),
               d300(-33.8688, -151.2093, 0xFFFFFFFF)]
POINTS_D301 = [d301(32.0761, 34.7753, T0, 35.5, 1e25, True), d301(31.7, 35.2, T0 + 1, -12.0, 0)]


def nmea(body):
    cs = 0
    for c in body.encode():
        cs ^= c
    return b"$%s*%02X\r\n" % (body.encode(), cs)


# fuzz_receive: flags, schedule length, schedule, then the stream.
def receive(flags, schedule, stream):
    return bytes([flags, len(schedule)]) + bytes(schedule) + stream


def receive_seeds():
    ident = frame(255, PRODUCT) + frame(253, REPORT_D300)
    transfer = (frame(27, struct.pack("<h", 3)) + b"".join(frame(34, p) for p in POINTS_D300)
                + frame(12, struct.pack("<h", 6)))
    write("receive", "identify_bytewise", receive(0, [0], ident))
    write("receive", "identify_whole", receive(0, [], ident))
    write("receive", "transfer_chunks", receive(2, [7, 0xFE, 30], transfer))
    write("receive", "transfer_nested", receive(6 | 8, [0xEF], transfer))
    d301_transfer = (frame(253, REPORT_D301) + frame(99, TRACK_HEADER)
                     + b"".join(frame(34, p) for p in POINTS_D301))
    write("receive", "d301_transfer", receive(0, [12, 0xF0], d301_transfer))
    write("receive", "acks_and_refusals",
          receive(2, [3], frame(6, b"\x0a\x00") + frame(21, b"\x0a\x00") * 7))
    bad = bytearray(frame(34, POINTS_D300[0]))
    bad[5] ^= 0x40
    write("receive", "corrupt_six_times",
          receive(0, [40], bytes(bad) * 6 + frame(34, POINTS_D300[1])))
    write("receive", "doubled_dle", receive(0, [1, 2],
          frame(34, d300(0, 0, 0x10100310)) + frame(16, b"\x10\x03\x10")))
    write("receive", "noise_then_frame",
          receive(0, [5, 0xF9, 9], b"\x00\xff\x10\x10ab" + frame(27, b"\x02\x00")))
    sentences = (nmea("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")
                 + b"$GPGGA,123519,4807.038,N*00\r\n" + b"@000101120000N4807038E01131000\r\n")
    write("receive", "sentences", receive(0, [9], sentences))
    write("receive", "sentences_ignore_checksum", receive(1, [0xEF], sentences))
    write("receive", "sentences_then_frame",
          receive(0, [0xEF, 0xF0, 0xF0, 0xF0, 0xF0], sentences + frame(6, b"\xfe\x00")))
    write("receive", "frame_size_zero", receive(0, [], frame(34, POINTS_D300[0], size=0)))
    # Delivered 32 times over: past the buffer's compaction point and its 64 KiB bound.
    write("receive", "transfer_flood", receive(5 << 4, [0xEF, 0xEF, 3], transfer))
    write("receive", "noise_flood", receive(5 << 4 | 2, [0xEF],
          b"\x10\x10\x10\x03$\r" + bytes(range(256)) * 8 + frame(6, b"\x0a\x00")[:5]))


# fuzz_decoders: report choice, then (selector, [size], length, data) packets.
def packet(selector, data, size=None, pid=None):
    out = bytes([selector | (0x80 if size is not None else 0)])
    if pid is not None:
        out += bytes([pid])
    if size is not None:
        out += bytes([size])
    return out + bytes([len(data)]) + data


def decoders_seeds():
    none = 5  # index past the built-in reports: no report
    write("decoders", "product", bytes([none]) + packet(1, PRODUCT)
          + packet(1, struct.pack("<hh", 7, 2) + b"only one"))
    write("decoders", "records", bytes([0]) + packet(2, struct.pack("<h", 1234))
          + packet(2, b"\x01"))
    # The receiver sends a point again when our acknowledgement went astray.
    write("decoders", "resent_point", bytes([0]) + packet(4, POINTS_D300[0]) * 2
          + packet(4, POINTS_D300[1]))
    write("decoders", "d300_points", bytes([0]) + b"".join(packet(4, p) for p in POINTS_D300))
    write("decoders", "d301_points", bytes([1]) + packet(3, TRACK_HEADER)
          + b"".join(packet(4, p) for p in POINTS_D301))
    write("decoders", "d310_l002", bytes([4]) + packet(3, TRACK_HEADER) + packet(2, b"\x02\x00")
          + b"".join(packet(6, p) for p in POINTS_D301))
    write("decoders", "report_in_stream", bytes([none]) + packet(0, REPORT_L002)
          + packet(7, bytes([0, 3]) + b"lower case\0") + packet(4, POINTS_D301[0]))
    write("decoders", "short_and_lying", bytes([1]) + packet(4, POINTS_D301[0][:7])
          + packet(3, b"\x01", size=200) + packet(1, b"\x01\x00\x02", size=0)
          + packet(5, b"\x11\x22", pid=12))


# fuzz_magellan: flags, schedule length, schedule, then the reply.
def magellan(flags, schedule, reply):
    return bytes([flags, len(schedule)]) + bytes(schedule) + reply


def magellan_seeds():
    end = b"$PMGNCMD,END*3D\r\n"
    lines = (nmea("PMGNTRK,3204.5678,N,03512.3456,E,00100,M,102030.00,A,,020504")
             + nmea("PMGNTRK,3204.6000,N,03512.4000,E,00102,M,102040.00,A,,020504")
             + b"$PMGNTRK,3350.0000,S,15112.5000,W,00010,M,000000.00,A,,010100\r\n")
    write("magellan", "track_whole", magellan(0, [], lines + end))
    write("magellan", "track_bytewise", magellan(0, [0], lines + end))
    write("magellan", "end_split", magellan(0, [len(lines) + 9, 0xFF, 0xFF, 40], lines + end))
    write("magellan", "end_only", magellan(0, [3], end))
    write("magellan", "noise_and_bad_lines", magellan(0, [20, 0xFF], b"\x00\xff garbage\r\n"
          + b"$PMGNTRK,3204.5678,N,03512.3456,E*00\r\n" + b"$PMGNTRK,9999.9,N,1.0,E\r\n"
          + nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M") + lines + end
          + b"after the end\r\n"))
    write("magellan", "cut_short", magellan(0, [50], lines + b"$PMGNTRK,3204.5"))
    write("magellan", "cancelled", magellan(1, [7], lines))


# --- USB transfers for fuzz_usb: flags, schedule, then the unit's bytes.
def usb_packet(ptype, pid, data=b"", size=None):
    return struct.pack("<IHHI", ptype, pid, 0, len(data) if size is None else size) + data


def usb(flags, schedule, stream):
    return bytes([flags, len(schedule)]) + bytes(schedule) + stream


def usb_seeds():
    started = usb_packet(0, 6, struct.pack("<I", 0x12345678))
    available = usb_packet(0, 2)
    product = usb_packet(20, 255, struct.pack("<hh", 73, 300) + b"eTrex\0")
    caps = usb_packet(20, 253, b"P\0\0L\1\0A\x0a\0A\x2d\x01D\x36\x01D\x2d\x01")
    points = b"".join(usb_packet(20, 34, d301(31.7 + i * 0.001, 35.2, 600000000 + i, 812.5, 1e25,
                                               i == 0)) for i in range(4))
    track = (usb_packet(20, 27, struct.pack("<H", 5)) + usb_packet(20, 99, b"\xff\x05T\0")
             + points + usb_packet(20, 12, struct.pack("<H", 6)))
    # Lengths: started 16, available 12, product 24, caps 30.
    write("usb", "identify", usb(0, [15, 11, 0x80 | 23, 0x80 | 29, 0xE8],
                                  started + available + product + caps))
    write("usb", "transfer_bulk", usb(1, [0xF8, 11, 0x80 | 127, 0xE8],
                                       available + track))
    write("usb", "transfer_split", usb(3, [0x80 | 5, 0x80 | 40, 0xF0], track))
    write("usb", "interrupt_in_turn", usb(1, [29, 0x80 | 23, 0xF8, 13], caps + product + track))
    write("usb", "garbled_size", usb(1, [0x80 | 20, 0x80 | 40],
                                      usb_packet(20, 34, b"\1\2\3", 1 << 28) + track))
    write("usb", "unplugged", usb(5, [0x80 | 30, 0xFC, 0x80 | 30, 0xF0], track))
    write("usb", "silent_start", usb(0, [0xF0, 0xF0, 0xF0, 0xF0, 15], started + product))


def main():
    convert_seeds()
    receive_seeds()
    decoders_seeds()
    magellan_seeds()
    usb_seeds()


if __name__ == "__main__":
    main()
