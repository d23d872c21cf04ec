"""Renders invitation.dot to PNG for a look: as shipped, filled with sample
values, and filled with long values; both fillings name a guest and leave the
photo's and the code's spots empty.  Usage: render-preview.py TEMPLATE OUTDIR"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from office import Office, props, file_url  # noqa: E402

SAMPLES = {
    "sample": {"[Celebrant]": "Orla Penwick", "[Location]": "Candia Inflatable Play Facility",
               "[GivenBy]": "Bozo", "[RSVPNo]": "555-010-2468",
               "[BirthDate]": "August 31, 2021", "[BirthTime]": "2:05 P.M.",
               "[Guest]": "Zoë Ångström", "[Photo]": "", "[RSVPCode]": ""},
    "long": {"[Celebrant]": "Maximiliana Theodora Penwick-Abernathy",
             "[Location]": "The Grand Candia Inflatable Play Facility, 1234 Long Street",
             "[GivenBy]": "Grandma Rosalind and Grandpa Bartholomew",
             "[RSVPNo]": "555-010-2468 (evenings)",
             "[BirthDate]": "September 30, 2021", "[BirthTime]": "12:45 P.M.",
             "[Guest]": "Maximilian Alexander von Ångström-Penwick",
             "[Photo]": "", "[RSVPCode]": ""},
}


def main(template, outdir):
    os.makedirs(outdir, exist_ok=True)
    with Office() as office:
        for label, values in [("tokens", {})] + list(SAMPLES.items()):
            document = office.load(template, ReadOnly=True)
            for token, value in values.items():
                search = document.createReplaceDescriptor()
                search.SearchString = token
                search.ReplaceString = value
                document.replaceAll(search)
            pdf = os.path.join(outdir, label + ".pdf")
            document.storeToURL(file_url(pdf), props(FilterName="writer_pdf_Export"))
            document.close(True)
            subprocess.run(["pdftoppm", "-png", "-r", "60", "-singlefile", pdf,
                            os.path.join(outdir, label)], check=True)
            print(os.path.join(outdir, label + ".png"))


if __name__ == "__main__":
    main(*sys.argv[1:3])
