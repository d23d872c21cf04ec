"""Builds the Word 97-2003 invitation template from the Flat ODT source.

Steps: turn the SVG art into the document's own drawing shapes, or render it
to PNG and embed it, load the document in a private LibreOffice, turn every frame named "Box ..." into a text box (a drawing
shape carrying a text frame), store it with the
"MS Word 97 Vorlage" filter, then load that template once more, remove the empty
rectangles the text boxes leave behind and store it again.

Why the text boxes are rebuilt: a plain Writer frame written to Word 97 format
comes back from LibreOffice as a drawing text shape that document search cannot
see; a shape with an attached text frame comes back as a real text frame, which
both the draw page and the document-level search reach.

Usage: build-template.py SOURCE TARGET [--text-only]
--text-only leaves every picture out: the same page with its text alone, which
the click benchmark measures beside the real one to tell what the art costs.
"""
import base64
import json
import os
import re
import subprocess
import sys
import tempfile

import uno  # noqa: F401  (sets up the com.sun.star imports)
from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK
from com.sun.star.text.TextContentAnchorType import AT_PARAGRAPH
from com.sun.star.text.WrapTextMode import THROUGH
from com.sun.star.drawing.FillStyle import NONE as FILL_NONE
from com.sun.star.drawing.LineStyle import NONE as LINE_NONE
from com.sun.star.awt import Size, Point

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from office import Office, props, file_url  # noqa: E402
import vector_art  # noqa: E402

# Pixel widths of the rendered pictures: 300 dpi at their printed size (4.24 in),
# a sharp print. A Word 97 file holds no vector picture that both Word and
# LibreOffice read alike, so a picture goes in as PNG.
PICTURE_WIDTHS = {"hats.png": 1272}
# The page's paper colour, which the art's transparencies are mixed over, when
# the design's design.json names none.
PAPER = "#FFF8EF"

FRAME = re.compile(r'<draw:frame (?P<attributes>[^>]*)>\s*<draw:image xlink:href="art/'
                   r'(?P<name>[\w-]+)\.(?P<kind>png|svg)"[^>]*/>\s*</draw:frame>')


def design_of(source):
    """The design.json beside the source: its name, paper colour and headlines."""
    path = os.path.join(os.path.dirname(source), "design.json")
    if not os.path.exists(path):
        return {}
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def embed_pictures(fodt_text, art_dir, work_dir, text_only, paper=PAPER):
    """Art linked as art/NAME.png is rendered at 300 dpi and embedded; art linked
    as art/NAME.svg becomes a group of drawing shapes in the frame's place."""
    styles, dashes = [], []

    def replace(match):
        if text_only:
            return ""
        name, kind = match.group("name"), match.group("kind")
        svg = os.path.join(art_dir, name + ".svg")
        attributes = dict(re.findall(r'([\w:-]+)="([^"]*)"', match.group("attributes")))
        if kind == "svg":
            inches = [float(attributes[a].rstrip("in"))
                      for a in ("svg:x", "svg:y", "svg:width", "svg:height")]
            group_styles, group_dashes, group = vector_art.group_markup(
                svg, attributes["draw:name"], attributes["draw:z-index"], *inches,
                attributes["draw:style-name"], "grArt" + name.capitalize(), paper)
            styles.extend(group_styles)
            dashes.extend(d for d in group_dashes if d not in dashes)
            return group
        png = os.path.join(work_dir, name + ".png")
        subprocess.run(["rsvg-convert", "-w", str(PICTURE_WIDTHS[name + ".png"]), svg, "-o", png],
                       check=True)
        with open(png, "rb") as f:
            data = base64.b64encode(f.read()).decode("ascii")
        return ("<draw:frame %s><draw:image><office:binary-data>%s</office:binary-data>"
                "</draw:image></draw:frame>" % (match.group("attributes"), data))

    fodt_text = FRAME.sub(replace, fodt_text)
    fodt_text = fodt_text.replace("</office:styles>", "".join(dashes) + "</office:styles>", 1)
    return fodt_text.replace("</office:automatic-styles>",
                             "".join(styles) + "</office:automatic-styles>", 1)


def paragraphs_of(text):
    """(paragraph style, [(char style, string), ...]) for every paragraph of a Writer text."""
    result = []
    paragraphs = text.createEnumeration()
    while paragraphs.hasMoreElements():
        paragraph = paragraphs.nextElement()
        runs = []
        portions = paragraph.createEnumeration()
        while portions.hasMoreElements():
            portion = portions.nextElement()
            if portion.TextPortionType == "Text" and portion.getString():
                runs.append((portion.CharStyleName, portion.getString()))
        result.append((paragraph.ParaStyleName, runs))
    return result


def frame_to_text_box(document, frame):
    content = paragraphs_of(frame.getText())
    shape = document.createInstance("com.sun.star.drawing.RectangleShape")
    shape.AnchorType = AT_PARAGRAPH
    document.getText().insertTextContent(frame.getAnchor(), shape, False)
    shape.FillStyle = FILL_NONE
    shape.LineStyle = LINE_NONE
    shape.Surround = THROUGH
    shape.Opaque = True
    shape.Name = frame.Name
    shape.TextBox = True
    # Placed after TextBox is switched on so that the attached frame follows.
    shape.setSize(Size(frame.Width, frame.Height))
    for name in ("HoriOrient", "HoriOrientRelation", "HoriOrientPosition",
                 "VertOrient", "VertOrientRelation", "VertOrientPosition"):
        shape.setPropertyValue(name, frame.getPropertyValue(name))

    text = shape.getText()
    cursor = text.createTextCursor()
    for index, (para_style, runs) in enumerate(content):
        if index:
            text.insertControlCharacter(cursor, PARAGRAPH_BREAK, False)
        cursor.ParaStyleName = para_style
        for char_style, string in runs:
            cursor.CharStyleName = char_style or "Standard"
            if not char_style:
                cursor.setPropertyToDefault("CharStyleName")
            text.insertString(cursor, string, False)
    # Filling the text shrank the box to its content; give it back the designed
    # height, which holds 80-character values. LibreOffice 7.4 neither writes nor
    # reads an automatic height for Word text boxes, so a growing box would come
    # back from the .dot as a fixed one of its content's height.
    shape.TextAutoGrowHeight = False
    shape.setSize(Size(frame.Width, frame.Height))
    document.getText().removeTextContent(frame)


def check_dashes(page, fodt_text):
    """Every dashed line of the art must come back with the pattern it was
    written with: the Word file keeps only its own patterns, and turns any other
    into plain dots."""
    written = {(int(d), int(g)) for d, g in re.findall(
        r'draw:dots1-length="(\d+)%" draw:distance="(\d+)%"', fodt_text)}

    def dashes(shape):
        if shape.ShapeType == "com.sun.star.drawing.GroupShape":
            for index in range(shape.getCount()):
                yield from dashes(shape.getByIndex(index))
        elif shape.ShapeType == "com.sun.star.drawing.CustomShape" and \
                shape.LineStyle.value == "DASH":
            yield shape.LineDash.DotLen, shape.LineDash.Distance

    for index in range(page.getCount()):
        for dash in dashes(page.getByIndex(index)):
            if dash not in written:
                raise SystemExit("a dashed line came back as %d%%/%d%%, written as one of %s"
                                 % (dash + (sorted(written),)))


def main(source, target, text_only=False):
    source = os.path.abspath(source)
    target = os.path.abspath(target)
    art_dir = os.path.join(os.path.dirname(source), "art")
    with tempfile.TemporaryDirectory(prefix="velmora-template-") as work:
        with open(source, encoding="utf-8") as f:
            fodt = embed_pictures(f.read(), art_dir, work, text_only,
                                  design_of(source).get("paper", PAPER))
        prepared = os.path.join(work, "invitation.fodt")
        with open(prepared, "w", encoding="utf-8") as f:
            f.write(fodt)

        with Office() as office:
            document = office.load(prepared)
            frames = document.getTextFrames()
            boxes = [frames.getByName(n) for n in frames.getElementNames() if n.startswith("Box ")]
            if len(boxes) != 6:
                raise SystemExit("expected six Box frames, found %d" % len(boxes))
            for frame in boxes:
                frame_to_text_box(document, frame)
            first = os.path.join(work, "first.dot")
            document.storeToURL(file_url(first), props(FilterName="MS Word 97 Vorlage"))
            document.close(True)

            # Read back, each text box is a Writer frame beside an empty drawing
            # rectangle, the shape half of the pair. Calligra Words' importer
            # fails on those rectangles; nothing else needs them.
            document = office.load(first)
            page = document.getDrawPage()
            check_dashes(page, fodt)
            for index in reversed(range(page.getCount())):
                shape = page.getByIndex(index)
                if shape.ShapeType == "com.sun.star.drawing.TextShape" and not shape.getString():
                    page.remove(shape)
            document.storeToURL(file_url(target), props(FilterName="MS Word 97 Vorlage"))
            document.close(True)
    print("wrote", target, os.path.getsize(target), "bytes")


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4) or sys.argv[3:] not in ([], ["--text-only"]):
        raise SystemExit("usage: build-template.py SOURCE TARGET [--text-only]")
    main(sys.argv[1], sys.argv[2], sys.argv[3:] == ["--text-only"])
