#!/usr/bin/env python3
"""Reads a recorded multipart/form-data request back with Python's email package and prints, per
part, its name, its filename (or "-") and the MD5 and length of its content, one part a line."""
import email.parser
import email.policy
import hashlib
import sys

raw = open(sys.argv[1], "rb").read()
head, _, body = raw.partition(b"\r\n\r\n")
content_type = None
for line in head.split(b"\r\n")[1:]:
    name, _, value = line.partition(b":")
    if name.strip().lower() == b"content-type":
        content_type = value.strip()
message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
    b"Content-Type: " + content_type + b"\r\n\r\n" + body)
if not message.is_multipart():
    sys.exit("not multipart")
for part in message.iter_parts():
    content = part.get_payload(decode=True)
    print(part.get_param("name", header="content-disposition"),
          part.get_filename() or "-", hashlib.md5(content).hexdigest(), len(content))
