// The decoder slots for BMP, PPM, DDS, PFM, Radiance HDR, TGA and bare DIB data.
//
// They keep their places in the dispatch order so that adding each decoder changes nothing else,
// but for now every one of them declines, and such files end as "Unsupported file format".
// FIXME: the BMP/DIB, PPM, DDS, PFM, HDR and TGA decoders are not written yet.
#include "gfxutil/tex/decoded_image.h"

namespace gfxutil::tex {

HRESULT decodeBmp(DecodedImage&, const BYTE*, UINT) { return E_FAIL; }
HRESULT decodePpm(DecodedImage&, const BYTE*, UINT) { return E_FAIL; }
HRESULT decodeDds(DecodedImage&, const BYTE*, UINT) { return E_FAIL; }
HRESULT decodePfm(DecodedImage&, const BYTE*, UINT) { return E_FAIL; }
HRESULT decodeHdr(DecodedImage&, const BYTE*, UINT) { return E_FAIL; }
HRESULT decodeTga(DecodedImage&, const BYTE*, UINT) { return E_FAIL; }
HRESULT decodeDib(DecodedImage&, const BYTE*, UINT) { return E_FAIL; }

}  // namespace gfxutil::tex
