# Sourced by the scripts that need a book locked by DRM: drm_epub FILE makes
# an EPUB as a shop delivers one, whose chapter META-INF/encryption.xml lists
# as AES-encrypted (its bytes are noise, as a chapter nobody can read is).
drm_epub() {
  local out dir
  out=$(realpath -m "$1") dir=$(mktemp -d)
  mkdir -p "$dir/META-INF" "$dir/OPS"
  printf 'application/epub+zip' > "$dir/mimetype"
  printf '%s' '<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles>' \
    '<rootfile full-path="OPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles></container>' \
    > "$dir/META-INF/container.xml"
  printf '%s' '<package xmlns="http://www.idpf.org/2007/opf" version="3.0"><metadata xmlns:dc="http://purl.org/dc/' \
    'elements/1.1/"><dc:title>加密的书</dc:title></metadata><manifest><item id="c1" href="c1.xhtml" media-type=' \
    '"application/xhtml+xml"/></manifest><spine><itemref idref="c1"/></spine></package>' > "$dir/OPS/content.opf"
  printf '%s' '<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container" xmlns:enc="http://www.w3.org/2001/' \
    '04/xmlenc#"><enc:EncryptedData><enc:EncryptionMethod Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/>' \
    '<enc:CipherData><enc:CipherReference URI="OPS/c1.xhtml"/></enc:CipherData></enc:EncryptedData></encryption>' \
    > "$dir/META-INF/encryption.xml"
  head -c 4096 /dev/urandom > "$dir/OPS/c1.xhtml"
  rm -f "$out"
  (cd "$dir" && zip -qX0 "$out" mimetype && zip -qXr9 "$out" META-INF OPS)
  rm -rf "$dir"
}
