"""Checks what LibreOffice makes of a design's invitation.dot: the text boxes
must be shapes on the draw page that hold the placeholders (with the phrase the
gender rule changes), the design's headlines must be on the page, the document
search must find every placeholder once, and every placeholder must be one
unbroken run of text in a text frame. The photo's and the code's boxes hold
their token alone, the code's box is a square of at least 0.8 in, a round
photo's box is a square, and neither lies over a box of text.
Usage: check-template.py invitation.dot [design.json]   (exit status 1 on any failure)
The design.json beside the template is read when none is named."""
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from office import Office  # noqa: E402

TOKENS = ["[Celebrant]", "[BirthDate]", "[BirthTime]", "[Location]", "[GivenBy]", "[RSVPNo]",
          "[Guest]", "[Photo]", "[RSVPCode]"]
# The gender rule replaces this phrase; each token must stand in a text box.
LINES = ["[Celebrant] celebrate her"] + TOKENS
# The spots the program fills with a picture: their boxes hold the token alone.
PICTURES = ["[Photo]", "[RSVPCode]"]
PHOTO_FRAMES = ["round", "arch", "print", "plain"]
INCH = 2540  # 1/100 mm


def design_of(template, design_json=None):
    path = design_json or os.path.join(os.path.dirname(os.path.abspath(template)), "design.json")
    if not os.path.exists(path):
        return {}
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def rectangle(frame):
    """The frame's place on the page: left, top, right, bottom in 1/100 mm."""
    left, top = frame.HoriOrientPosition, frame.VertOrientPosition
    return left, top, left + frame.Width, top + frame.Height


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def check_spots(document, photo_frame):
    """The picture spots' boxes against the design's rules."""
    failures = []
    frames = document.getTextFrames()
    boxes = [frames.getByName(name) for name in frames.getElementNames()]
    texts = [(box.getString().strip(), rectangle(box)) for box in boxes]
    for token in PICTURES:
        places = [place for text, place in texts if text == token]
        if len(places) != 1:
            failures.append("no text box holds %r alone" % token)
            continue
        left, top, right, bottom = places[0]
        for text, place in texts:
            if text != token and overlap(place, places[0]):
                failures.append("the box of %r lies over the box of %r" % (token, text[:30]))
        square = abs((right - left) - (bottom - top)) <= INCH // 100
        if token == "[RSVPCode]" and not (square and right - left >= 0.8 * INCH):
            failures.append("the code's box is not a square of at least 0.8 in")
        if token == "[Photo]" and photo_frame == "round" and not square:
            failures.append("a round photo's box is not a square")
    if photo_frame not in PHOTO_FRAMES:
        failures.append("design.json: photoFrame %r is none of %s" % (photo_frame, PHOTO_FRAMES))
    return failures


def main(template, design_json=None):
    design = design_of(template, design_json)
    HEADLINES = design.get("headlines", [])
    failures = []
    with Office() as office:
        document = office.load(template, ReadOnly=True)
        try:
            page = document.getDrawPage()
            texts = []
            for index in range(page.getCount()):
                shape = page.getByIndex(index)
                if shape.ShapeType == "com.sun.star.drawing.GraphicObjectShape":
                    continue
                try:
                    texts.append((shape.ShapeType, shape.getString()))
                except Exception:
                    pass
            print("draw page:", [(t.rsplit(".", 1)[-1], s[:40]) for t, s in texts if s])
            frame_texts = [s for t, s in texts if t.endswith("FrameShape")]
            for line in LINES:
                if not any(line in s.replace("\n", " ").replace("\r", " ") for s in frame_texts):
                    failures.append("no text box holds %r" % line)
            for line in HEADLINES:
                if not any(line in s.replace("\n", " ").replace("\r", " ") for _, s in texts):
                    failures.append("no shape on the draw page holds %r" % line)

            for token in TOKENS:
                search = document.createSearchDescriptor()
                search.SearchString = token
                found = document.findAll(search)
                if found.getCount() != 1:
                    failures.append("findAll(%r) found %d, expected 1" % (token, found.getCount()))

            # Runs, looked at through the text frames (Writer text; enumerating
            # drawing-shape text is avoided on purpose).
            frames = document.getTextFrames()
            unbroken = set()
            for name in frames.getElementNames():
                paragraphs = frames.getByName(name).getText().createEnumeration()
                while paragraphs.hasMoreElements():
                    portions = paragraphs.nextElement().createEnumeration()
                    while portions.hasMoreElements():
                        run = portions.nextElement().getString()
                        unbroken.update(t for t in TOKENS if t in run)
            for token in TOKENS:
                if token not in unbroken:
                    failures.append("%r is not one unbroken run in a text frame" % token)
            failures += check_spots(document, design.get("photoFrame"))

            style = document.getStyleFamilies().getByName("PageStyles").getByName(
                document.getText().getStart().PageStyleName)
            print("page: %.2f x %.2f in" % (style.Width / 2540, style.Height / 2540))
        finally:
            document.close(True)
    for failure in failures:
        print("FAIL:", failure)
    print("template check:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        raise SystemExit("usage: check-template.py invitation.dot [design.json]")
    sys.exit(main(*sys.argv[1:]))
