// The batch look-up off the page's thread: splitting, the request and reading its answers for
// 100,000 lines take long enough to stall scrolling and typing if the page did them itself.
"use strict";

importScripts("/assets/lookup.js");

self.onmessage = async (event) => {
  const { id, text } = event.data;
  try {
    const answers = await self.korvalindLookup.postLookup(self.korvalindLookup.splitLines(text));
    const { codes, table } = self.korvalindLookup.compactAnswers(answers);
    self.postMessage({ id: id, codes: codes, table: table }, [codes.buffer]);
  } catch (error) {
    self.postMessage({ id: id, error: error.message });
  }
};
