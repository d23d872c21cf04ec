"""Checks what LibreOffice makes of invitation.dot: the text boxes must be shapes
on the draw page that hold the placeholder lines, the document search must find
every placeholder, and every placeholder must be one unbroken run of text.
Usage: check-template.py invitation.dot   (exit status 1 on any failure)"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from office import Office  # noqa: E402

LINES = [
    "Please come and help [Celebrant] celebrate her birthday!",
    "Date [BirthDate]", "Time [BirthTime]", "Location [Location]",
    "Given By [GivenBy]", "Please RSVP [RSVPNo]",
]
TOKENS = ["[Celebrant]", "[BirthDate]", "[BirthTime]", "[Location]", "[GivenBy]", "[RSVPNo]"]
HEADLINES = ["it's a", "PARTY!"]


def main(template):
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
            for line in LINES + HEADLINES:
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
    sys.exit(main(sys.argv[1]))
