#!/usr/bin/env python3
"""Writes the point files of the dense tracks in fixtures/ that reductions.txt reduces.

Tracks are laid out in the old grid's metres and turned into latitude and longitude by
inverting the grid's projection (the formulas of coords/grid.cpp), so a position meant to
be whole metres lands on them. Each point's text is its number, counting from 1.

  dense_line_B   200 points 1.2 m apart on a straight line at bearing B degrees: only the
                 grid's rounding to whole metres disturbs them
  dense_walk     a walk logged once a second at 1.4 m/s: 150 m east, 100 m north, 120 m
                 south-west; each fix off the path by a drifting error of up to about 3 m
                 (as a receiver's fixes wander) and a jitter of up to 0.4 m
  ten_metre_zigzag  steps of exactly 10 m on the grid turning by 16, 0, 53, 37 and 0
                 degrees, then a last step of 8 m, too short to be a leg of its own

Run it from this folder; the same files come out every time.
"""
import math
import os
import random

DEG = 0.0174532925199433
LAT0, LON0 = 31.73409, 35.21206
FALSE_E, FALSE_N = 170251.0, 1126868.0


def ellipsoid():
    f = 1.0 / 293.466
    return 6378300.789, (f + f) - f * f


def arc(phi, a, e2):
    e4, e6 = e2 * e2, e2 * e2 * e2
    return a * ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi
                - (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * math.sin(2 * phi)
                + (15 * e4 / 256 + 45 * e6 / 1024) * math.sin(4 * phi)
                - (35 * e6 / 3072) * math.sin(6 * phi))


def grid(lat, lon):
    a, e2 = ellipsoid()
    phi, lam, phi0, lam0 = lat * DEG, lon * DEG, LAT0 * DEG, LON0 * DEG
    ep2 = e2 / (1 - e2)
    s, c_, t_ = math.sin(phi), math.cos(phi), math.tan(phi)
    n = a / math.sqrt(1 - e2 * s * s)
    t, c, aa = t_ * t_, ep2 * c_ * c_, (lam - lam0) * c_
    xs = aa + (1 - t + c) * aa ** 3 / 6 + (5 - 18 * t + t * t + 72 * c - 58 * ep2) * aa ** 5 / 120
    ys = (aa ** 2 / 2 + (5 - t + 9 * c + 4 * c * c) * aa ** 4 / 24
          + (61 - 58 * t + t * t + 600 * c - 330 * ep2) * aa ** 6 / 720)
    return n * xs + FALSE_E, (arc(phi, a, e2) - arc(phi0, a, e2)) + n * t_ * ys + FALSE_N


def latlon(e, n):
    """The position whose unrounded grid easting and northing are e and n (Newton)."""
    lat, lon = LAT0 + (n - FALSE_N) / 110900.0, LON0 + (e - FALSE_E) / 94800.0
    for _ in range(20):
        ge, gn = grid(lat, lon)
        h = 1e-7
        e_lat, n_lat = grid(lat + h, lon)
        e_lon, n_lon = grid(lat, lon + h)
        j = [[(e_lat - ge) / h, (e_lon - ge) / h], [(n_lat - gn) / h, (n_lon - gn) / h]]
        det = j[0][0] * j[1][1] - j[0][1] * j[1][0]
        de, dn = e - ge, n - gn
        lat += (j[1][1] * de - j[0][1] * dn) / det
        lon += (j[0][0] * dn - j[1][0] * de) / det
    return lat, lon


def write(name, positions):
    os.makedirs(os.path.join("fixtures", name), exist_ok=True)
    with open(os.path.join("fixtures", name, "points"), "w", newline="") as f:
        for i, (e, n) in enumerate(positions, 1):
            lat, lon = latlon(e, n)
            f.write(f'{lat:.12f},{lon:.12f},"{i}"\r\n')


def dense_line(bearing):
    b = bearing * DEG
    return [(200000.3 + 1.2 * i * math.sin(b), 1150000.6 + 1.2 * i * math.cos(b))
            for i in range(200)]


def dense_walk():
    rng = random.Random(23)
    legs = [(150.0, 90.0), (100.0, 0.0), (120.0, 225.0)]
    e, n = 201000.0, 1151000.0
    path = [(e, n)]
    for length, bearing in legs:
        steps = round(length / 1.4)
        de, dn = length * math.sin(bearing * DEG) / steps, length * math.cos(bearing * DEG) / steps
        for _ in range(steps):
            e, n = e + de, n + dn
            path.append((e, n))
    drift = [0.0, 0.0]
    out = []
    for e, n in path:
        drift = [min(3.0, max(-3.0, d * 0.97 + rng.uniform(-0.25, 0.25))) for d in drift]
        out.append((e + drift[0] + rng.uniform(-0.4, 0.4), n + drift[1] + rng.uniform(-0.4, 0.4)))
    return out


def zigzag():
    steps = [(6, 8), (8, 6), (8, 6), (0, 10), (-6, 8), (-6, 8), (0, 8)]
    e, n = 202000.0, 1152000.0
    out = [(e, n)]
    for de, dn in steps:
        e, n = e + de, n + dn
        out.append((e, n))
    return out


if __name__ == "__main__":
    for bearing in (0, 30, 45, 100, 233):
        write(f"dense_line_{bearing}", dense_line(bearing))
    write("dense_walk", dense_walk())
    write("ten_metre_zigzag", zigzag())
