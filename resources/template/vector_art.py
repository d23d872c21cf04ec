"""Turns one of our SVG pictures into the document's own drawing shapes: a
group of paths (Flat ODT markup) that both word processors draw as vectors.

Only the SVG we write is understood: rect (with rx), circle, line and path
elements (commands M L H V C S Q T Z, absolute and relative), groups with
transforms (translate, scale, rotate), fill (a colour, or a pattern over a
polygon), stroke, stroke-width, stroke-linecap,
stroke-dasharray (one dash and one gap, as the line's own dash pattern) and
opacity. Every transform is applied to the points, so each shape is a plain
path on the page. Opacity is mixed into the colours over the paper
colour, which is what the art is drawn on; a Word 97 file keeps a solid colour
more faithfully than a transparency."""
import math
import re
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"
KAPPA = 0.5522847498  # a quarter circle as one cubic curve
UNITS_PER_INCH = 1000  # of the paths' view boxes
# The one-dash patterns a Word 97 file keeps, (dash, gap) in line widths.
WORD_DASHES = ((1, 1), (1, 3), (3, 1), (4, 3), (8, 3))


def multiply(a, b):
    """The affine matrix a*b; matrices are (a, b, c, d, e, f) as in SVG."""
    return (a[0] * b[0] + a[2] * b[1], a[1] * b[0] + a[3] * b[1],
            a[0] * b[2] + a[2] * b[3], a[1] * b[2] + a[3] * b[3],
            a[0] * b[4] + a[2] * b[5] + a[4], a[1] * b[4] + a[3] * b[5] + a[5])


IDENTITY = (1, 0, 0, 1, 0, 0)


def parse_transform(text):
    matrix = IDENTITY
    for name, args in re.findall(r"(\w+)\s*\(([^)]*)\)", text or ""):
        v = [float(x) for x in re.split(r"[\s,]+", args.strip())]
        if name == "translate":
            step = (1, 0, 0, 1, v[0], v[1] if len(v) > 1 else 0)
        elif name == "scale":
            step = (v[0], 0, 0, v[1] if len(v) > 1 else v[0], 0, 0)
        elif name == "rotate":
            a = math.radians(v[0])
            step = (math.cos(a), math.sin(a), -math.sin(a), math.cos(a), 0, 0)
            if len(v) == 3:
                step = multiply(multiply((1, 0, 0, 1, v[1], v[2]), step),
                                (1, 0, 0, 1, -v[1], -v[2]))
        else:
            raise ValueError("transform %s is not supported" % name)
        matrix = multiply(matrix, step)
    return matrix


def apply(m, p):
    return (m[0] * p[0] + m[2] * p[1] + m[4], m[1] * p[0] + m[3] * p[1] + m[5])


def path_segments(d):
    """Subpaths of an SVG path as [start, [('L', p) | ('C', c1, c2, p)], closed]."""
    tokens = re.findall(r"[A-Za-z]|[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?", d)
    subpaths, current, pos, start = [], None, (0.0, 0.0), (0.0, 0.0)
    last_cubic = last_quad = None
    i, command = 0, None

    def numbers(n):
        nonlocal i
        values = [float(t) for t in tokens[i:i + n]]
        i += n
        return values

    while i < len(tokens):
        if tokens[i].isalpha():
            command = tokens[i]
            i += 1
            if command in "Zz":
                current[2] = True
                pos = start
                last_cubic = last_quad = None
                continue
        relative = command.islower()
        base = pos if relative else (0.0, 0.0)
        point = lambda x, y: (base[0] + x, base[1] + y)  # noqa: E731
        upper = command.upper()
        if upper == "M":
            x, y = numbers(2)
            pos = start = point(x, y)
            current = [pos, [], False]
            subpaths.append(current)
            command = "l" if relative else "L"  # further pairs are lines
            last_cubic = last_quad = None
            continue
        if upper == "L":
            x, y = numbers(2)
            pos = point(x, y)
            current[1].append(("L", pos))
        elif upper == "H":
            (x,) = numbers(1)
            pos = (base[0] + x, pos[1])
            current[1].append(("L", pos))
        elif upper == "V":
            (y,) = numbers(1)
            pos = (pos[0], base[1] + y)
            current[1].append(("L", pos))
        elif upper in "CS":
            if upper == "C":
                x1, y1, x2, y2, x, y = numbers(6)
                c1 = point(x1, y1)
            else:
                x2, y2, x, y = numbers(4)
                c1 = (2 * pos[0] - last_cubic[0], 2 * pos[1] - last_cubic[1]) if last_cubic else pos
            c2, end = point(x2, y2), point(x, y)
            current[1].append(("C", c1, c2, end))
            pos, last_cubic, last_quad = end, c2, None
            continue
        elif upper in "QT":
            if upper == "Q":
                qx, qy, x, y = numbers(4)
                q = point(qx, qy)
            else:
                x, y = numbers(2)
                q = (2 * pos[0] - last_quad[0], 2 * pos[1] - last_quad[1]) if last_quad else pos
            end = point(x, y)
            c1 = (pos[0] + 2 / 3 * (q[0] - pos[0]), pos[1] + 2 / 3 * (q[1] - pos[1]))
            c2 = (end[0] + 2 / 3 * (q[0] - end[0]), end[1] + 2 / 3 * (q[1] - end[1]))
            current[1].append(("C", c1, c2, end))
            pos, last_quad, last_cubic = end, q, None
            continue
        else:
            raise ValueError("path command %s is not supported" % command)
        last_cubic = last_quad = None
    return subpaths


def rounded_rect(x, y, w, h, r):
    r = min(r, w / 2, h / 2)
    if r <= 0:
        return [[(x, y), [("L", (x + w, y)), ("L", (x + w, y + h)), ("L", (x, y + h))], True]]
    k = r * (1 - KAPPA)
    return [[(x + r, y), [
        ("L", (x + w - r, y)), ("C", (x + w - k, y), (x + w, y + k), (x + w, y + r)),
        ("L", (x + w, y + h - r)), ("C", (x + w, y + h - k), (x + w - k, y + h), (x + w - r, y + h)),
        ("L", (x + r, y + h)), ("C", (x + k, y + h), (x, y + h - k), (x, y + h - r)),
        ("L", (x, y + r)), ("C", (x, y + k), (x + k, y), (x + r, y))], True]]


def circle(cx, cy, r):
    k = r * KAPPA
    return [[(cx + r, cy), [
        ("C", (cx + r, cy + k), (cx + k, cy + r), (cx, cy + r)),
        ("C", (cx - k, cy + r), (cx - r, cy + k), (cx - r, cy)),
        ("C", (cx - r, cy - k), (cx - k, cy - r), (cx, cy - r)),
        ("C", (cx + k, cy - r), (cx + r, cy - k), (cx + r, cy))], True]]


def flattened(subpath, steps=24):
    start, segments, closed = subpath
    points, pos = [start], start
    for seg in segments:
        if seg[0] == "L":
            points.append(seg[1])
        else:
            c1, c2, end = seg[1:]
            for k in range(1, steps + 1):
                t = k / steps
                u = 1 - t
                points.append(tuple(u ** 3 * a + 3 * u * u * t * b + 3 * u * t * t * c + t ** 3 * e
                                    for a, b, c, e in zip(pos, c1, c2, end)))
        pos = points[-1]
    if closed:
        points.append(start)
    return points


def invert(m):
    det = m[0] * m[3] - m[1] * m[2]
    a, b, c, d = m[3] / det, -m[1] / det, -m[2] / det, m[0] / det
    return (a, b, c, d, -(a * m[4] + c * m[5]), -(b * m[4] + d * m[5]))


def clipped(polygon, window):
    """Sutherland-Hodgman: the part of polygon inside the convex polygon window."""
    area = sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(window, window[1:] + window[:1]))
    turn = 1 if area > 0 else -1
    for a, b in zip(window, window[1:] + window[:1]):
        inside = lambda p: turn * ((b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0])) >= 0  # noqa: E731,E501
        result = []
        for p, q in zip(polygon, polygon[1:] + polygon[:1]):
            if inside(q):
                if not inside(p):
                    result.append(crossing(p, q, a, b))
                result.append(q)
            elif inside(p):
                result.append(crossing(p, q, a, b))
        polygon = result
        if not polygon:
            break
    return polygon


def crossing(p, q, a, b):
    d1 = (q[0] - p[0], q[1] - p[1])
    d2 = (b[0] - a[0], b[1] - a[1])
    across = d1[0] * d2[1] - d1[1] * d2[0]
    if abs(across) < 1e-9:  # an edge along the window's edge, its ends on either side by a hair
        return q
    t = ((a[0] - p[0]) * d2[1] - (a[1] - p[1]) * d2[0]) / across
    return (p[0] + t * d1[0], p[1] + t * d1[1])


def straightened(start, segments):
    """Curves as runs of lines that stay within FLATNESS of them: fewer where a
    curve runs nearly straight, more where it bends.
    A Word 97 file sizes a curved shape by where its curve runs but lays out its
    points by where its control points lie, so a curve whose control points
    reach past it comes back squashed."""
    result, pos = [], start
    for seg in segments:
        if seg[0] == "C":
            result.extend(("L", p) for p in flat_runs(pos, *seg[1:]))
        else:
            result.append(seg)
        pos = seg[-1]
    return result


# A line may stray from its curve by this much: one unit of the paths' points.
FLATNESS = 1.0


def flat_runs(p0, c1, c2, p3, depth=0):
    """The ends of the lines that follow one cubic curve (de Casteljau halving)."""
    chord = math.dist(p0, p3)

    def off(p):  # distance of p from the line p0-p3
        if chord < 1e-9:
            return math.dist(p, p0)
        return abs((p3[0] - p0[0]) * (p0[1] - p[1]) - (p0[0] - p[0]) * (p3[1] - p0[1])) / chord
    if depth >= 12 or max(off(c1), off(c2)) <= FLATNESS:
        return [p3]
    mid = lambda a, b: ((a[0] + b[0]) / 2, (a[1] + b[1]) / 2)  # noqa: E731
    a, b, c = mid(p0, c1), mid(c1, c2), mid(c2, p3)
    d, e = mid(a, b), mid(b, c)
    m = mid(d, e)
    return flat_runs(p0, a, d, m, depth + 1) + flat_runs(m, e, c, p3, depth + 1)


def extended(a, b, by):
    """b moved on by the distance by, away from a."""
    length = math.dist(a, b)
    return (b[0] + (b[0] - a[0]) / length * by, b[1] + (b[1] - a[1]) / length * by)


def stroke_outline(points, width):
    """A stroke of a polyline as one polygon, mitred at its corners: pieces that
    overlapped would cancel out where a path of several parts is filled."""
    h = width / 2
    normals = []
    for a, b in zip(points, points[1:]):
        length = math.dist(a, b)
        normals.append((-(b[1] - a[1]) / length, (b[0] - a[0]) / length))
    left, right = [], []
    for i, p in enumerate(points):
        n1 = normals[max(i - 1, 0)]
        n2 = normals[min(i, len(normals) - 1)]
        m = (n1[0] + n2[0], n1[1] + n2[1])
        size = math.hypot(*m)
        m = (m[0] / size, m[1] / size)
        reach = h / (m[0] * n1[0] + m[1] * n1[1])
        left.append((p[0] + m[0] * reach, p[1] + m[1] * reach))
        right.append((p[0] - m[0] * reach, p[1] - m[1] * reach))
    return [left + right[::-1]]


def mix(colour, opacity, paper):
    if colour in (None, "none"):
        return None
    c = [int(colour[i:i + 2], 16) for i in (1, 3, 5)]
    p = [int(paper[i:i + 2], 16) for i in (1, 3, 5)]
    return "#%02X%02X%02X" % tuple(round(opacity * a + (1 - opacity) * b) for a, b in zip(c, p))


class Converter:
    def __init__(self, svg_path, x_in, y_in, width_in, height_in, paper):
        root = ET.parse(svg_path).getroot()
        vb = [float(v) for v in root.get("viewBox").split()]
        # The picture fills the frame, as an embedded picture would.
        sx, sy = width_in / vb[2], height_in / vb[3]
        self.root = root
        self.patterns = {p.get("id"): p for p in root.iter(SVG + "pattern")}
        # Picture units to thousandths of an inch on the page.
        self.page = multiply((UNITS_PER_INCH, 0, 0, UNITS_PER_INCH, x_in * UNITS_PER_INCH,
                              y_in * UNITS_PER_INCH), (sx, 0, 0, sy, -vb[0] * sx, -vb[1] * sy))
        self.paper = paper
        self.shapes = []
        self.dashes = {}  # name: draw:stroke-dash markup

    def run(self):
        self.walk(self.root, self.page, {"fill": "#000000", "stroke": None, "stroke-width": "1",
                                          "stroke-linecap": "butt", "opacity": 1.0,
                                          "stroke-dasharray": None})
        return self.shapes

    def walk(self, element, matrix, inherited):
        style = dict(inherited)
        for key in ("fill", "stroke", "stroke-width", "stroke-linecap", "stroke-dasharray"):
            if element.get(key) is not None:
                style[key] = element.get(key)
        if element.get("opacity") is not None:
            style["opacity"] = inherited["opacity"] * float(element.get("opacity"))
        matrix = multiply(matrix, parse_transform(element.get("transform")))
        tag = element.tag.replace(SVG, "")
        number = lambda name, default=0.0: float(element.get(name, default))  # noqa: E731
        if tag in ("svg", "g"):
            for child in element:
                self.walk(child, matrix, style)
            return
        if tag == "rect":
            r = number("rx", element.get("ry", 0))
            geometry = rounded_rect(number("x"), number("y"), number("width"), number("height"), r)
        elif tag == "circle":
            geometry = circle(number("cx"), number("cy"), number("r"))
        elif tag == "path":
            geometry = path_segments(element.get("d"))
        elif tag == "line":
            geometry = [[(number("x1"), number("y1")), [("L", (number("x2"), number("y2")))],
                         False]]
        elif tag in ("defs", "title", "desc"):
            return
        else:
            raise ValueError("element %s is not supported" % tag)
        if (style["fill"] or "").startswith("url(#"):
            self.add_pattern(geometry, matrix, style)
            return
        self.add(geometry, matrix, style)

    def add_pattern(self, geometry, matrix, style):
        """A shape filled with a pattern: the shape in the colour of the pattern's
        background, and every piece of the pattern's tiles cut to the shape, one
        path for each colour. Only a polygon shape can be filled so, and the tile's
        first child must be a rectangle that covers it."""
        pattern = self.patterns[style["fill"][5:-1]]
        if any(seg[0] != "L" for sub in geometry for seg in sub[1]) or len(geometry) != 1:
            raise ValueError("a pattern fills only one polygon")
        window = [apply(matrix, p) for p in [geometry[0][0]] + [seg[1] for seg in geometry[0][1]]]
        if window[-1] == window[0]:
            window.pop()
        tile_w, tile_h = float(pattern.get("width")), float(pattern.get("height"))
        to_page = multiply(matrix, parse_transform(pattern.get("patternTransform")))
        children = list(pattern)
        self.add(geometry, matrix, dict(style, fill=children[0].get("fill"), stroke=None))
        corners = [apply(invert(to_page), p) for p in window]
        columns = range(math.floor(min(p[0] for p in corners) / tile_w) - 1,
                        math.ceil(max(p[0] for p in corners) / tile_w) + 1)
        rows = range(math.floor(min(p[1] for p in corners) / tile_h) - 1,
                     math.ceil(max(p[1] for p in corners) / tile_h) + 1)
        pieces = {}
        for child in children[1:]:
            tag = child.tag.replace(SVG, "")
            get = lambda name: float(child.get(name, 0))  # noqa: E731
            if tag == "rect":
                shape = rounded_rect(get("x"), get("y"), get("width"), get("height"), get("rx"))
            elif tag == "circle":
                shape = circle(get("cx"), get("cy"), get("r"))
            elif tag == "path":
                shape = path_segments(child.get("d"))
            else:
                raise ValueError("element %s is not supported in a pattern" % tag)
            stroke = child.get("stroke")
            colour = stroke if stroke not in (None, "none") else child.get("fill")
            for column in columns:
                for row in rows:
                    tile = multiply(to_page, (1, 0, 0, 1, column * tile_w, row * tile_h))
                    # A tile shows only what lies inside it.
                    cell = [apply(tile, p) for p in ((0, 0), (tile_w, 0), (tile_w, tile_h),
                                                     (0, tile_h))]
                    for sub in shape:
                        points = [apply(tile, p) for p in flattened(sub, 4)]
                        if stroke not in (None, "none"):
                            width = float(child.get("stroke-width", 1)) * math.sqrt(
                                abs(tile[0] * tile[3] - tile[1] * tile[2]))
                            points = [p for i, p in enumerate(points) if i == 0 or p != points[i - 1]]
                            # Ends carried past the tile's edge, which cuts them
                            # where the next tile's line goes on.
                            points = [extended(points[1], points[0], width)] + points[1:-1] + [
                                extended(points[-2], points[-1], width)]
                            polygons = stroke_outline(points, width)
                        else:
                            polygons = [points[:-1] if points[-1] == points[0] else points]
                        for polygon in polygons:
                            inside = clipped(clipped(polygon, cell), window)
                            if len(inside) >= 3:
                                pieces.setdefault(colour, []).append(
                                    [inside[0], [("L", p) for p in inside[1:]], True])
        for colour, geometry in pieces.items():
            self.add(geometry, IDENTITY, dict(style, fill=colour, stroke=None))

    def add(self, geometry, matrix, style):
        points = []
        for sub in geometry:
            sub[0] = apply(matrix, sub[0])
            points.append(sub[0])
            sub[1] = [(seg[0],) + tuple(apply(matrix, p) for p in seg[1:]) for seg in sub[1]]
            points.extend(p for seg in sub[1] for p in seg[1:])
        # Circles and rounded corners keep their curves: their control points
        # lie on the shape's own bounds.
        runs = [p for sub in geometry for p in flattened(sub)]
        if any(abs(f(p[i] for p in points) - f(p[i] for p in runs)) > 1
               for f in (min, max) for i in (0, 1)):
            for sub in geometry:
                sub[1] = straightened(sub[0], sub[1])
            points = runs
        scale = math.sqrt(abs(matrix[0] * matrix[3] - matrix[1] * matrix[2]))
        properties = {}
        fill = mix(style["fill"], style["opacity"], self.paper)
        stroke = mix(style["stroke"], style["opacity"], self.paper)
        if fill and any(c for _, _, c in geometry):
            properties.update({"draw:fill": "solid", "draw:fill-color": fill})
        else:
            properties["draw:fill"] = "none"
        reach = 0  # how far the stroke's ink reaches past the path
        if stroke:
            width = float(style["stroke-width"])
            width_in = width * scale / UNITS_PER_INCH
            reach = width_in * UNITS_PER_INCH / 2
            properties.update({"draw:stroke": "solid", "svg:stroke-color": stroke,
                               "svg:stroke-width": "%.4fin" % width_in,
                               "svg:stroke-linecap": style["stroke-linecap"],
                               "draw:stroke-linejoin": "round"})
            if style["stroke-dasharray"]:
                properties.update({"draw:stroke": "dash",
                                   "draw:stroke-dash": self.dash_style(style, width)})
        else:
            properties["draw:stroke"] = "none"
        bounds = (min(p[0] for p in points), min(p[1] for p in points),
                  max(p[0] for p in points), max(p[1] for p in points))
        ink = (bounds[0] - reach, bounds[1] - reach, bounds[2] + reach, bounds[3] + reach)
        self.shapes.append(Shape(properties, geometry, bounds, [ink]))

    def dash_style(self, style, width):
        """The line's own dash pattern: the office draws it, and the Word file
        keeps it, so a dotted line stays one path of a few points instead of a
        shape for every dot. The Word file keeps only its own patterns (any
        other comes back as dots one width apart), so the nearest is taken."""
        dash, gap = (float(v) / width for v in style["stroke-dasharray"].split())
        dash, gap = min(WORD_DASHES, key=lambda p: math.dist(p, (dash, gap)))
        name = "Velmora_Dash_%d_%d" % (dash, gap)
        self.dashes[name] = (
            '<draw:stroke-dash draw:name="%s" draw:style="%s" draw:dots1="1" '
            'draw:dots1-length="%d%%" draw:distance="%d%%"/>'
            % (name, "round" if style["stroke-linecap"] == "round" else "rect", dash * 100,
               gap * 100))
        return name


class Shape:
    """One path of the art, in thousandths of an inch on the page."""

    def __init__(self, properties, geometry, bounds, inks):
        self.properties, self.geometry, self.bounds, self.inks = properties, geometry, bounds, inks
        self.key = tuple(sorted(properties.items()))


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def merged(shapes):
    """Shapes of one look joined into one path wherever that draws the same page:
    each one the office reads, writes and draws costs it more than its points do.
    A shape joins an earlier one of its look only when nothing between them in
    the stacking order touches it, and, when filled, it does not touch the
    earlier one either (overlapping parts of one path would cancel out)."""
    result = []
    for shape in shapes:
        for index in range(len(result) - 1, -1, -1):
            target = result[index]
            if target.key == shape.key and not (
                    target.properties["draw:fill"] != "none"
                    and any(overlaps(i, j) for i in target.inks for j in shape.inks)):
                target.geometry = target.geometry + shape.geometry
                target.bounds = tuple(f(a, b) for f, a, b in zip(
                    (min, min, max, max), target.bounds, shape.bounds))
                target.inks = target.inks + shape.inks
                break
            if any(overlaps(i, j) for i in result[index].inks for j in shape.inks):
                result.append(shape)
                break
        else:
            result.append(shape)
    return result


def path_element(shape, style_name):
    left, top = math.floor(shape.bounds[0]), math.floor(shape.bounds[1])
    width = max(1, math.ceil(shape.bounds[2]) - left)
    height = max(1, math.ceil(shape.bounds[3]) - top)
    fmt = lambda p: "%d %d" % (round(p[0] - left), round(p[1] - top))  # noqa: E731
    d = []
    for start, segments, closed in shape.geometry:
        d.append("M" + fmt(start))
        for seg in segments:
            d.append(("L" if seg[0] == "L" else "C") + " ".join(fmt(p) for p in seg[1:]))
        if closed:
            d.append("Z")
    return ('<draw:path draw:style-name="%s" svg:x="%.4fin" svg:y="%.4fin" svg:width="%.4fin" '
            'svg:height="%.4fin" svg:viewBox="0 0 %d %d" svg:d="%s"/>'
            % (style_name, left / UNITS_PER_INCH, top / UNITS_PER_INCH, width / UNITS_PER_INCH,
               height / UNITS_PER_INCH, width, height, " ".join(d)))


def group_markup(svg_path, name, z_index, x_in, y_in, width_in, height_in, group_style,
                 style_prefix, paper):
    """(automatic styles, dash styles, the draw:g element) for one picture."""
    converter = Converter(svg_path, x_in, y_in, width_in, height_in, paper)
    shapes = merged(converter.run())
    styles, children, known = [], [], {}
    for shape in shapes:
        if shape.key not in known:
            known[shape.key] = "%s%d" % (style_prefix, len(known))
            styles.append('<style:style style:name="%s" style:family="graphic"><style:graphic-'
                          'properties %s/></style:style>' % (known[shape.key], " ".join(
                              '%s="%s"' % kv for kv in shape.key)))
        children.append(path_element(shape, known[shape.key]))
    group = ('<draw:g draw:style-name="%s" draw:name="%s" text:anchor-type="paragraph" '
             'draw:z-index="%s">%s</draw:g>' % (group_style, name, z_index, "".join(children)))
    return styles, list(converter.dashes.values()), group
