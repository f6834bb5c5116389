# The part of the 7-Zip engine that the launcher links in: the 7z, zip, cab,
# lzma and lzma86 handlers with the codecs those formats use (AES included, so
# that encrypted packages are recognised and then refused). Run from
# CPP/7zip/Bundles/Format7zF of Debian's 7zip source by tools/deps/7zip.sh,
# which partially links the objects into one, so that the handlers' static
# registrations come along with CreateObject.

LOCAL_FLAGS =

C_OBJS = \
  $O/7zBuf2.o $O/7zCrc.o $O/7zCrcOpt.o $O/7zStream.o $O/Aes.o $O/AesOpt.o $O/Alloc.o \
  $O/Bcj2.o $O/Bcj2Enc.o $O/Bra.o $O/Bra86.o $O/BraIA64.o $O/CpuArch.o $O/Delta.o \
  $O/LzFind.o $O/LzFindMt.o $O/LzFindOpt.o $O/Lzma2Dec.o $O/Lzma2DecMt.o $O/LzmaDec.o $O/Lzma86Dec.o \
  $O/Lzma2Enc.o $O/LzmaEnc.o $O/MtCoder.o $O/HuffEnc.o $O/BwtSort.o $O/Sort.o $O/Ppmd7Enc.o $O/Ppmd8Enc.o \
  $O/MtDec.o $O/Ppmd7.o $O/Ppmd7Dec.o $O/Ppmd8.o $O/Ppmd8Dec.o \
  $O/Sha1.o $O/Sha1Opt.o $O/Sha256.o $O/Sha256Opt.o $O/SwapBytes.o $O/Threads.o \
  $O/Xz.o $O/XzDec.o $O/XzEnc.o $O/XzIn.o $O/XzCrc64.o $O/XzCrc64Opt.o $O/ZstdDec.o $O/Xxh64.o

COMMON_OBJS = \
  $O/CRC.o $O/CrcReg.o $O/DynLimBuf.o $O/IntToString.o $O/MyString.o $O/MyVector.o \
  $O/LzFindPrepare.o $O/NewHandler.o $O/Sha1Prepare.o $O/Sha1Reg.o $O/Sha256Prepare.o $O/Sha256Reg.o \
  $O/StringConvert.o $O/XzCrc64Init.o $O/StringToInt.o $O/UTFConvert.o $O/Wildcard.o

WIN_OBJS = \
  $O/FileDir.o $O/FileFind.o $O/FileIO.o $O/FileName.o $O/PropVariant.o $O/PropVariantConv.o \
  $O/PropVariantUtils.o $O/Synchronization.o $O/System.o $O/TimeUtils.o

7ZIP_COMMON_OBJS = \
  $O/CreateCoder.o $O/CWrappers.o $O/InBuffer.o $O/FilterCoder.o $O/LimitedStreams.o \
  $O/InOutTempBuffer.o $O/MemBlocks.o $O/OutMemStream.o $O/ProgressMt.o $O/UniqBlocks.o $O/LockedStream.o \
  $O/OffsetStream.o $O/MethodId.o $O/MethodProps.o $O/OutBuffer.o $O/ProgressUtils.o $O/PropId.o \
  $O/StreamBinder.o $O/StreamObjects.o $O/StreamUtils.o $O/VirtThread.o

AR_OBJS = $O/ArchiveExports.o $O/DllExports2.o $O/LzmaHandler.o

AR_COMMON_OBJS = \
  $O/CoderMixer2.o $O/DummyOutStream.o $O/FindSignature.o $O/InStreamWithCRC.o \
  $O/ItemNameUtils.o $O/MultiStream.o $O/OutStreamWithCRC.o $O/OutStreamWithSha1.o $O/HandlerOut.o $O/ParseProperties.o

7Z_OBJS = \
  $O/7zCompressionMode.o $O/7zDecode.o $O/7zExtract.o $O/7zHandler.o $O/7zHeader.o \
  $O/7zIn.o $O/7zProperties.o $O/7zRegister.o $O/7zEncode.o $O/7zFolderInStream.o $O/7zHandlerOut.o \
  $O/7zOut.o $O/7zSpecStream.o $O/7zUpdate.o

CAB_OBJS = $O/CabBlockInStream.o $O/CabHandler.o $O/CabHeader.o $O/CabIn.o $O/CabRegister.o

ZIP_OBJS = $O/ZipAddCommon.o $O/ZipHandler.o $O/ZipHandlerOut.o $O/ZipIn.o $O/ZipItem.o $O/ZipOut.o \
  $O/ZipUpdate.o $O/ZipRegister.o

COMPRESS_OBJS = \
  $O/Bcj2Coder.o $O/Bcj2Register.o $O/BcjCoder.o $O/BcjRegister.o $O/BitlDecoder.o \
  $O/BranchMisc.o $O/BranchRegister.o $O/ByteSwap.o $O/BZip2Crc.o $O/BZip2Decoder.o $O/BZip2Register.o \
  $O/CopyCoder.o $O/CopyRegister.o $O/Deflate64Register.o $O/DeflateDecoder.o $O/DeflateRegister.o \
  $O/DeltaFilter.o $O/ImplodeDecoder.o $O/Lzma2Decoder.o $O/Lzma2Register.o $O/LzmaDecoder.o \
  $O/LzmaRegister.o $O/LzOutWindow.o $O/LzxDecoder.o $O/PpmdDecoder.o $O/PpmdRegister.o \
  $O/PpmdZip.o $O/QuantumDecoder.o $O/ShrinkDecoder.o $O/BZip2Encoder.o $O/DeflateEncoder.o \
  $O/Lzma2Encoder.o $O/LzmaEncoder.o $O/PpmdEncoder.o $O/XzDecoder.o $O/XzEncoder.o $O/ZstdDecoder.o \
  $O/LzfseDecoder.o $O/CodecExports.o

CRYPTO_OBJS = \
  $O/7zAes.o $O/7zAesRegister.o $O/HmacSha1.o $O/HmacSha256.o $O/MyAes.o $O/MyAesReg.o $O/Pbkdf2HmacSha1.o \
  $O/RandGen.o $O/WzAes.o $O/ZipCrypto.o $O/ZipStrong.o

OBJS = $(C_OBJS) $(COMMON_OBJS) $(WIN_OBJS) $(7ZIP_COMMON_OBJS) $(AR_OBJS) $(AR_COMMON_OBJS) \
  $(7Z_OBJS) $(CAB_OBJS) $(ZIP_OBJS) $(COMPRESS_OBJS) $(CRYPTO_OBJS)

engine-objects: $(O) $(OBJS)

include ../../7zip_gcc.mak
